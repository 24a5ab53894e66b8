// SerializarObjeto: copies the current row of a query into a described object.
#include <string>

#include "common/Database.h"
#include "common/Errors.h"
#include "common/Persistent.h"
#include "common/TFuncoesIFood.h"

Persistent& TFuncoesIFood::SerializarObjeto(Query& lQuery, Persistent& lObjeto) {
  for (const PropertyInfo& p : lObjeto.GetClassInfo().Properties) {
    // 64-bit integers, objects and lists are not copied from rows.
    if (p.Kind == PropertyKind::Int64 || p.Kind == PropertyKind::Object ||
        p.Kind == PropertyKind::List) {
      continue;
    }
    const Field& f = lQuery.FieldByName(p.Name);
    try {
      switch (p.Kind) {
        case PropertyKind::Boolean:
          p.Set(lObjeto, f.AsBoolean());
          break;
        case PropertyKind::Integer:
          p.Set(lObjeto, f.AsInteger());
          break;
        case PropertyKind::DateTime:
          p.Set(lObjeto, f.AsDateTime());
          break;
        // Floating point goes through money: the value keeps four decimals.
        case PropertyKind::Float:
          p.Set(lObjeto, f.AsCurrency().ToDouble());
          break;
        case PropertyKind::Currency:
          p.Set(lObjeto, f.AsCurrency());
          break;
        case PropertyKind::Text:
          p.Set(lObjeto, f.AsString());
          break;
        case PropertyKind::Int64:
        case PropertyKind::Object:
        case PropertyKind::List:
          break;
      }
    } catch (const EConvertError& e) {
      throw EConvertError("SerializarObjeto: " + lObjeto.GetClassInfo().Name + "." + p.Name + ": " +
                          e.what());
    } catch (const ECurrencyOverflow& e) {
      throw EConvertError("SerializarObjeto: " + lObjeto.GetClassInfo().Name + "." + p.Name + ": " +
                          e.what());
    }
  }
  return lObjeto;
}
