#include "common/Persistent.h"

#include "common/platform/Paths.h"

std::string_view PropertyKindName(PropertyKind kind) {
  switch (kind) {
    case PropertyKind::Boolean: return "Boolean";
    case PropertyKind::Integer: return "Integer";
    case PropertyKind::Int64: return "Int64";
    case PropertyKind::Float: return "Double";
    case PropertyKind::Currency: return "Currency";
    case PropertyKind::DateTime: return "TDateTime";
    case PropertyKind::Text: return "string";
    case PropertyKind::Object: return "Object";
    case PropertyKind::List: return "List";
  }
  return "?";
}

const PropertyInfo* ClassInfo::Find(std::string_view name) const {
  for (const PropertyInfo& p : Properties) {
    if (p.Name == name) return &p;
  }
  return nullptr;
}

const PropertyInfo* ClassInfo::FindIgnoringCase(std::string_view name) const {
  for (const PropertyInfo& p : Properties) {
    if (platform::SameNameIgnoringCase(p.Name, name)) return &p;
  }
  return nullptr;
}
