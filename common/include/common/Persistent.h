#pragma once
// Field descriptors: the one mechanism that lists a class's published properties in declaration
// order, with name, kind, type name and accessors. The JSON document mapping, the INI copies
// (GravarINI/SerializarINI), SerializarObjeto and the entity statement builder all walk it.
//
// A described class derives from Persistent and publishes its properties once:
//
//   class THorario : public Persistent {
//    public:
//     std::string Hora;
//     std::int32_t Ativo = 0;
//     static const ClassInfo& Class();
//     const ClassInfo& GetClassInfo() const override { return Class(); }
//   };
//   const ClassInfo& THorario::Class() {
//     static const ClassInfo info = ClassBuilder<THorario>("THorario")
//         .Property("Hora", &THorario::Hora)
//         .Property("Ativo", &THorario::Ativo)
//         .Build();
//     return info;
//   }
//
// The property name is the original field's name without its leading "F" (FHora -> "Hora").

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "common/Currency.h"
#include "common/DateTime.h"

enum class PropertyKind {
  Boolean,   // bool
  Integer,   // std::int32_t
  Int64,     // std::int64_t
  Float,     // double
  Currency,  // Currency
  DateTime,  // TDateTime (type name TDate, TDateTime or TTime)
  Text,      // std::string
  Object,    // std::unique_ptr<T>, T described
  List,      // std::vector<std::unique_ptr<T>>, T described
};

// Name of a kind for messages ("Boolean", "Integer", ...); every kind has one.
std::string_view PropertyKindName(PropertyKind kind);

class Persistent;
struct ClassInfo;

// A scalar property's value.
using PropertyValue =
    std::variant<bool, std::int32_t, std::int64_t, double, Currency, TDateTime, std::string>;

struct PropertyInfo {
  std::string Name;      // "idPedido"
  PropertyKind Kind;
  std::string TypeName;  // "Boolean", "Integer", "Int64", "Double", "Currency", "TDate",
                         // "TDateTime", "TTime", "string", or the nested class's name
  // Scalars.
  std::function<PropertyValue(const Persistent&)> Get;
  std::function<void(Persistent&, const PropertyValue&)> Set;
  // Objects: the nested class, its current object (null when absent), and a setter that takes
  // ownership (null clears it).
  const ClassInfo* (*ElementClass)() = nullptr;
  std::function<Persistent*(const Persistent&)> GetObject;
  std::function<void(Persistent&, std::unique_ptr<Persistent>)> SetObject;
  // Lists: element count, element i, append (taking ownership), clear.
  std::function<size_t(const Persistent&)> Count;
  std::function<Persistent*(const Persistent&, size_t)> At;
  std::function<void(Persistent&, std::unique_ptr<Persistent>)> Append;
  std::function<void(Persistent&)> ClearList;
  // Scalars: a second key this member also reads, leniently. A document may send under one key a
  // value richer than the member bound to that key keeps (an amount where a flag is declared); the
  // flag stays bound by name and this member keeps the rest. A value that does not fit here leaves
  // this member alone and is no error. Only the JSON reader uses it; writers write Name.
  std::string AlsoReadsKey;
};

struct ClassInfo {
  std::string Name;
  std::vector<PropertyInfo> Properties;  // declaration order
  std::function<std::unique_ptr<Persistent>()> Create;

  [[nodiscard]] const PropertyInfo* Find(std::string_view name) const;  // exact name
  [[nodiscard]] const PropertyInfo* FindIgnoringCase(std::string_view name) const;
};

class Persistent {
 public:
  virtual ~Persistent() = default;
  [[nodiscard]] virtual const ClassInfo& GetClassInfo() const = 0;
};

namespace persistent_detail {
template <typename T>
struct IsUniquePtr : std::false_type {};
template <typename T>
struct IsUniquePtr<std::unique_ptr<T>> : std::true_type {
  using Element = T;
};
template <typename T>
struct IsList : std::false_type {};
template <typename T>
struct IsList<std::vector<std::unique_ptr<T>>> : std::true_type {
  using Element = T;
};
}  // namespace persistent_detail

template <typename C>
class ClassBuilder {
 public:
  explicit ClassBuilder(std::string name) {
    FInfo.Name = std::move(name);
    FInfo.Create = [] { return std::unique_ptr<Persistent>(std::make_unique<C>()); };
  }

  // typeName overrides the default type name (used for dates: "TDate", "TTime").
  template <typename M>
  ClassBuilder& Property(std::string name, M C::*member, std::string typeName = {}) {
    PropertyInfo p;
    p.Name = std::move(name);
    using namespace persistent_detail;
    if constexpr (IsUniquePtr<M>::value) {
      using E = typename IsUniquePtr<M>::Element;
      p.Kind = PropertyKind::Object;
      p.ElementClass = [] { return &E::Class(); };
      p.GetObject = [member](const Persistent& o) -> Persistent* {
        return (static_cast<const C&>(o).*member).get();
      };
      p.SetObject = [member](Persistent& o, std::unique_ptr<Persistent> v) {
        (static_cast<C&>(o).*member).reset(static_cast<E*>(v.release()));
      };
      p.TypeName = typeName.empty() ? E::Class().Name : typeName;
    } else if constexpr (IsList<M>::value) {
      using E = typename IsList<M>::Element;
      p.Kind = PropertyKind::List;
      p.ElementClass = [] { return &E::Class(); };
      p.Count = [member](const Persistent& o) { return (static_cast<const C&>(o).*member).size(); };
      p.At = [member](const Persistent& o, size_t i) -> Persistent* {
        return (static_cast<const C&>(o).*member)[i].get();
      };
      p.Append = [member](Persistent& o, std::unique_ptr<Persistent> v) {
        (static_cast<C&>(o).*member).emplace_back(static_cast<E*>(v.release()));
      };
      p.ClearList = [member](Persistent& o) { (static_cast<C&>(o).*member).clear(); };
      p.TypeName = typeName.empty() ? "TObjectList<" + E::Class().Name + ">" : typeName;
    } else {
      p.Kind = ScalarKind<M>();
      p.TypeName = typeName.empty() ? DefaultTypeName<M>() : typeName;
      p.Get = [member](const Persistent& o) { return PropertyValue(static_cast<const C&>(o).*member); };
      p.Set = [member](Persistent& o, const PropertyValue& v) {
        static_cast<C&>(o).*member = std::get<M>(v);
      };
    }
    FInfo.Properties.push_back(std::move(p));
    return *this;
  }

  // The property declared last also reads the given key (see PropertyInfo::AlsoReadsKey).
  ClassBuilder& AlsoReads(std::string key) {
    if (FInfo.Properties.empty() || FInfo.Properties.back().Kind == PropertyKind::Object ||
        FInfo.Properties.back().Kind == PropertyKind::List) {
      throw std::logic_error(FInfo.Name + ": AlsoReads applies to a scalar property");
    }
    FInfo.Properties.back().AlsoReadsKey = std::move(key);
    return *this;
  }

  ClassInfo Build() { return std::move(FInfo); }

 private:
  template <typename M>
  static constexpr PropertyKind ScalarKind() {
    if constexpr (std::is_same_v<M, bool>) return PropertyKind::Boolean;
    else if constexpr (std::is_same_v<M, std::int32_t>) return PropertyKind::Integer;
    else if constexpr (std::is_same_v<M, std::int64_t>) return PropertyKind::Int64;
    else if constexpr (std::is_same_v<M, double>) return PropertyKind::Float;
    else if constexpr (std::is_same_v<M, Currency>) return PropertyKind::Currency;
    else if constexpr (std::is_same_v<M, TDateTime>) return PropertyKind::DateTime;
    else {
      static_assert(std::is_same_v<M, std::string>, "unsupported property type");
      return PropertyKind::Text;
    }
  }
  template <typename M>
  static std::string DefaultTypeName() {
    if constexpr (std::is_same_v<M, bool>) return "Boolean";
    else if constexpr (std::is_same_v<M, std::int32_t>) return "Integer";
    else if constexpr (std::is_same_v<M, std::int64_t>) return "Int64";
    else if constexpr (std::is_same_v<M, double>) return "Double";
    else if constexpr (std::is_same_v<M, Currency>) return "Currency";
    else if constexpr (std::is_same_v<M, TDateTime>) return "TDateTime";
    else return "string";
  }

  ClassInfo FInfo;
};
