#pragma once
// The JSON document mapping: a described class (Persistent.h) is one JSON object, a nested
// object member a nested object, a list member an array of objects. Document classes derive
// from JsonDocument (below) for their FromJsonString/ToJsonString.
//
// Keys are property names with the first letter lower-cased ("idPedido", "MERCHANT" ->
// "mERCHANT"). Reading matches a key to a property named like it, or to one whose field ("F" +
// name) is named like it, ignoring case; unknown keys are ignored and missing keys leave members
// alone. Conversion failures raise EConvertError naming the member; a failure inside a nested
// object member only drops that object (the member stays absent), a failure inside an array
// element is a failure of the object holding the array. A scalar may also read a second key
// whose own member is another one, leniently (PropertyInfo::AlsoReadsKey).

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/Persistent.h"

// Compact JSON text of the object: keys in declaration order, absent objects as null, money as
// an exact decimal number, dates as "2026-12-10T14:05:00.000Z", every character below 32 or
// above 127 as a \u escape. Never throws for text that is not valid UTF-8 (it is replaced).
[[nodiscard]] std::string ToJsonString(const Persistent& object);

// Fills target from JSON text. Returns false, leaving target untouched, for "" and "null".
// Throws EConvertError for text that is not JSON, for any other value than an object ("The
// input value is not a valid Object"), and for a member of the root object that cannot be read;
// target may then be partly filled.
bool ReadJsonObject(std::string_view text, Persistent& target);

// A new T read from JSON text; nullptr for "" and "null". Throws as ReadJsonObject.
template <class T>
[[nodiscard]] std::unique_ptr<T> FromJsonString(std::string_view text) {
  static_assert(std::is_base_of_v<Persistent, T>, "FromJsonString needs a described class");
  auto object = std::make_unique<T>();
  if (!ReadJsonObject(text, *object)) return nullptr;
  return object;
}

// Base of a document class T (one that describes itself with a static T::Class()): gives it the
// class-level FromJsonString and the instance's ToJsonString of the mapping above.
//
//   class TCard : public JsonDocument<TCard> { public: std::string Brand;
//                                              static const ClassInfo& Class(); };
template <class T>
class JsonDocument : public Persistent {
 public:
  // A new T; nullptr for "" and "null". Throws EConvertError as ReadJsonObject.
  [[nodiscard]] static std::unique_ptr<T> FromJsonString(std::string_view text) {
    return ::FromJsonString<T>(text);
  }
  [[nodiscard]] std::string ToJsonString() const { return ::ToJsonString(*this); }
  [[nodiscard]] const ClassInfo& GetClassInfo() const override { return T::Class(); }
};
