#include "common/JsonMapping.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "common/Errors.h"
#include "common/platform/Paths.h"

namespace {

constexpr std::string_view kNotAnObject = "The input value is not a valid Object";
// Deeper documents are refused instead of risking the stack on hostile input.
constexpr size_t kMaxDepth = 512;

// --- UTF-8 --------------------------------------------------------------------------------

// Length of the well-formed UTF-8 sequence at s[i] and its code point; 0 when ill-formed
// (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  size_t len = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    min = 0x80;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    min = 0x800;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    min = 0x10000;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The text with every ill-formed byte replaced by U+FFFD; nullopt when it is well-formed.
std::optional<std::string> RepairedUtf8(std::string_view s) {
  std::optional<std::string> out;
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    const size_t len = DecodeUtf8(s, i, cp);
    if (len == 0 && !out) out.emplace(s.substr(0, i));
    if (out) {
      if (len == 0) {
        *out += kReplacement;
      } else {
        out->append(s.substr(i, len));
      }
    }
    i += len == 0 ? 1 : len;
  }
  return out;
}

// --- Parsed document ----------------------------------------------------------------------

// A parsed JSON value that keeps each number's own text, so money never passes through a
// double, and each object's keys in document order.
struct JsonNode {
  enum class Kind { Null, Boolean, Number, String, Array, Object };
  explicit JsonNode(Kind k = Kind::Null) : kind(k) {}
  Kind kind;
  bool flag = false;
  std::string text;               // number text or string value
  std::vector<std::string> keys;  // objects: keys[i] names values[i]
  std::vector<JsonNode> values;   // object members or array elements
};

std::string_view KindName(JsonNode::Kind kind) {
  switch (kind) {
    case JsonNode::Kind::Null:
      return "nulo";
    case JsonNode::Kind::Boolean:
      return "booleano";
    case JsonNode::Kind::Number:
      return "número";
    case JsonNode::Kind::String:
      return "texto";
    case JsonNode::Kind::Array:
      return "lista";
    case JsonNode::Kind::Object:
      return "objeto";
  }
  return "?";
}

class TreeBuilder final : public nlohmann::json_sax<nlohmann::json> {
 public:
  bool null() override { return Add(JsonNode{}); }
  bool boolean(bool value) override {
    JsonNode n{JsonNode::Kind::Boolean};
    n.flag = value;
    return Add(std::move(n));
  }
  bool number_integer(number_integer_t value) override { return AddNumber(std::to_string(value)); }
  bool number_unsigned(number_unsigned_t value) override {
    return AddNumber(std::to_string(value));
  }
  bool number_float(number_float_t /*value*/, const string_t& text) override {
    return AddNumber(text);
  }
  bool string(string_t& value) override {
    JsonNode n{JsonNode::Kind::String};
    n.text = std::move(value);
    return Add(std::move(n));
  }
  bool binary(binary_t& /*value*/) override { return false; }
  bool start_object(std::size_t /*elements*/) override { return Open(JsonNode::Kind::Object); }
  bool key(string_t& value) override {
    FOpen.back().keys.push_back(std::move(value));
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t /*elements*/) override { return Open(JsonNode::Kind::Array); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t position, const std::string& /*token*/,
                   const nlohmann::detail::exception& /*error*/) override {
    // nlohmann's text quotes the input; a document may carry credentials, so only the place.
    FError = "Texto JSON inválido na posição " + std::to_string(position);
    return false;
  }

  [[nodiscard]] const std::string& Error() const { return FError; }
  [[nodiscard]] bool HasRoot() const { return FHasRoot; }
  [[nodiscard]] const JsonNode& Root() const { return FRoot; }

 private:
  bool AddNumber(std::string text) {
    JsonNode n{JsonNode::Kind::Number};
    n.text = std::move(text);
    return Add(std::move(n));
  }
  bool Add(JsonNode node) {
    if (FOpen.empty()) {
      FRoot = std::move(node);
      FHasRoot = true;
    } else {
      FOpen.back().values.push_back(std::move(node));
    }
    return true;
  }
  bool Open(JsonNode::Kind kind) {
    if (FOpen.size() >= kMaxDepth) {
      FError = "Documento JSON com mais de " + std::to_string(kMaxDepth) + " níveis";
      return false;
    }
    FOpen.push_back(JsonNode{kind});
    return true;
  }
  bool Close() {
    JsonNode node = std::move(FOpen.back());
    FOpen.pop_back();
    return Add(std::move(node));
  }

  std::vector<JsonNode> FOpen;  // containers being filled, innermost last
  JsonNode FRoot;
  bool FHasRoot = false;
  std::string FError;
};

// --- Reading values -----------------------------------------------------------------------

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A decimal number: optional sign, digits with an optional "." part, optional exponent.
bool IsNumberText(std::string_view s, bool& integral) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  size_t digits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) ++digits;
  integral = true;
  if (i < s.size() && s[i] == '.') {
    integral = false;
    for (++i; i < s.size() && IsDigit(s[i]); ++i) ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    integral = false;
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    if (i == s.size() || !IsDigit(s[i])) return false;
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  return i == s.size();
}

std::optional<double> ToDouble(std::string_view s) {
  bool integral;
  s = TrimSpaces(s);
  if (!IsNumberText(s, integral)) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// Whole numbers; a fraction (a weighed quantity) is rounded to the nearest, halves away from 0.
template <typename Int>
std::optional<Int> ToInteger(std::string_view s) {
  bool integral;
  s = TrimSpaces(s);
  if (!IsNumberText(s, integral)) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);
  if (integral) {
    Int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return value;
  }
  const std::optional<double> d = ToDouble(s);
  if (!d) return std::nullopt;
  const double rounded = std::round(*d);
  // The upper bound of Int64 is not a double; compare against 2^63 exclusively.
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded >= -static_cast<double>(std::numeric_limits<Int>::min())) {
    return std::nullopt;
  }
  return static_cast<Int>(rounded);
}

// "1.5", "0", "-0.0", "2e3": true when any mantissa digit is not zero.
bool NumberIsNonZero(std::string_view s) {
  for (char c : s) {
    if (c == 'e' || c == 'E') break;
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

int TwoDigits(std::string_view s, size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }

bool DigitsAt(std::string_view s, size_t at, size_t count) {
  if (at + count > s.size()) return false;
  for (size_t k = at; k < at + count; ++k) {
    if (!IsDigit(s[k])) return false;
  }
  return true;
}

// ISO 8601 in the extended form: date, optional "T" time with optional seconds and fraction,
// optional zone "Z" or +hh:mm / +hhmm / +hh. A time with an offset is brought to UTC; one with
// "Z" or without a zone is kept as written.
std::optional<TDateTime> ParseIso8601(std::string_view s) {
  if (!DigitsAt(s, 0, 4) || s.size() < 10 || s[4] != '-' || !DigitsAt(s, 5, 2) || s[7] != '-' ||
      !DigitsAt(s, 8, 2)) {
    return std::nullopt;
  }
  const int year = TwoDigits(s, 0) * 100 + TwoDigits(s, 2);
  const int month = TwoDigits(s, 5);
  const int day = TwoDigits(s, 8);
  int hour = 0, minute = 0, second = 0, msec = 0, offsetMinutes = 0;
  size_t i = 10;
  if (i < s.size() && (s[i] == 'T' || s[i] == 't' || s[i] == ' ')) {
    if (!DigitsAt(s, i + 1, 2) || i + 3 >= s.size() || s[i + 3] != ':' || !DigitsAt(s, i + 4, 2)) {
      return std::nullopt;
    }
    hour = TwoDigits(s, i + 1);
    minute = TwoDigits(s, i + 4);
    i += 6;
    if (i < s.size() && s[i] == ':') {
      if (!DigitsAt(s, i + 1, 2)) return std::nullopt;
      second = TwoDigits(s, i + 1);
      i += 3;
      if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        ++i;
        const size_t start = i;
        for (; i < s.size() && IsDigit(s[i]); ++i) {
          // Milliseconds are kept; finer digits are cut off.
          if (i - start < 3) msec = msec * 10 + (s[i] - '0');
        }
        if (i == start) return std::nullopt;
        for (size_t k = i - start; k < 3; ++k) msec *= 10;
      }
    }
    if (i < s.size() && (s[i] == 'Z' || s[i] == 'z')) {
      ++i;
    } else if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      const int sign = s[i] == '-' ? -1 : 1;
      if (!DigitsAt(s, i + 1, 2)) return std::nullopt;
      int offsetHours = TwoDigits(s, i + 1);
      int offsetMins = 0;
      i += 3;
      const bool colon = i < s.size() && s[i] == ':';
      if (colon) ++i;
      if (colon || DigitsAt(s, i, 2)) {
        if (!DigitsAt(s, i, 2)) return std::nullopt;
        offsetMins = TwoDigits(s, i);
        i += 2;
      }
      if (offsetHours > 23 || offsetMins > 59) return std::nullopt;
      offsetMinutes = sign * (offsetHours * 60 + offsetMins);
    }
  }
  if (i != s.size()) return std::nullopt;
  try {
    const TDateTime utc = TDateTime::FromParts(year, month, day, hour, minute, second, msec)
                              .AddMinutes(-offsetMinutes);
    // An offset can carry the first or last day across the calendar's range; such a time could
    // not be written back as a date this reader accepts.
    const int utcYear = utc.Decode().Year;
    if (utcYear < 1 || utcYear > 9999) return std::nullopt;
    return utc;
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

// --- Reading objects ----------------------------------------------------------------------

[[noreturn]] void MemberError(const std::string& path, const PropertyInfo& p,
                              const std::string& why) {
  throw EConvertError("Membro JSON \"" + path + "\" (" + std::string(PropertyKindName(p.Kind)) +
                      "): " + why);
}

[[noreturn]] void KindMismatch(const std::string& path, const PropertyInfo& p,
                               const JsonNode& value) {
  MemberError(path, p, "valor do tipo " + std::string(KindName(value.kind)) + " não serve");
}

// The key without the field prefix ("FId" -> "Id"), or empty when it has none.
std::string_view WithoutFieldPrefix(std::string_view key) {
  if (key.size() < 2 || (key[0] != 'F' && key[0] != 'f')) return {};
  return key.substr(1);
}

// The property a key binds to: the one named like the key, else the one whose field ("F" +
// name) is named like it, ignoring case both times.
const PropertyInfo* FindMember(const ClassInfo& info, std::string_view key) {
  if (const PropertyInfo* p = info.FindIgnoringCase(key)) return p;
  const std::string_view bare = WithoutFieldPrefix(key);
  return bare.empty() ? nullptr : info.FindIgnoringCase(bare);
}

// Whether a property's second key (AlsoReadsKey) is this key, by the same rule.
bool IsSecondKey(const PropertyInfo& p, std::string_view key) {
  if (p.AlsoReadsKey.empty()) return false;
  if (platform::SameNameIgnoringCase(p.AlsoReadsKey, key)) return true;
  const std::string_view bare = WithoutFieldPrefix(key);
  return !bare.empty() && platform::SameNameIgnoringCase(p.AlsoReadsKey, bare);
}

void ResetMember(Persistent& target, const PropertyInfo& p) {
  switch (p.Kind) {
    case PropertyKind::Boolean:
      p.Set(target, false);
      break;
    case PropertyKind::Integer:
      p.Set(target, std::int32_t{0});
      break;
    case PropertyKind::Int64:
      p.Set(target, std::int64_t{0});
      break;
    case PropertyKind::Float:
      p.Set(target, 0.0);
      break;
    case PropertyKind::Currency:
      p.Set(target, Currency{});
      break;
    case PropertyKind::DateTime:
      p.Set(target, TDateTime{});
      break;
    case PropertyKind::Text:
      p.Set(target, std::string{});
      break;
    case PropertyKind::Object:
      p.SetObject(target, nullptr);
      break;
    case PropertyKind::List:
      p.ClearList(target);
      break;
  }
}

// Number text of a number, or of a string holding one.
const std::string& NumberSource(const std::string& path, const PropertyInfo& p,
                                const JsonNode& value) {
  if (value.kind != JsonNode::Kind::Number && value.kind != JsonNode::Kind::String) {
    KindMismatch(path, p, value);
  }
  return value.text;
}

void ReadObject(const JsonNode& node, Persistent& target, const std::string& path);

void ReadMember(const JsonNode& value, Persistent& target, const PropertyInfo& p,
                const std::string& path) {
  using Kind = JsonNode::Kind;
  if (value.kind == Kind::Null) {
    ResetMember(target, p);
    return;
  }
  switch (p.Kind) {
    case PropertyKind::Boolean: {
      // Flags sometimes arrive as amounts; any amount but zero is true.
      if (value.kind == Kind::Boolean) {
        p.Set(target, value.flag);
        return;
      }
      const std::string_view text = TrimSpaces(NumberSource(path, p, value));
      bool integral;
      if (platform::SameNameIgnoringCase(text, "true")) {
        p.Set(target, true);
      } else if (platform::SameNameIgnoringCase(text, "false")) {
        p.Set(target, false);
      } else if (IsNumberText(text, integral)) {
        p.Set(target, NumberIsNonZero(text));
      } else {
        MemberError(path, p, "não é um valor lógico");
      }
      return;
    }
    case PropertyKind::Integer: {
      const auto v = ToInteger<std::int32_t>(NumberSource(path, p, value));
      if (!v) MemberError(path, p, "não é um número inteiro de 32 bits");
      p.Set(target, *v);
      return;
    }
    case PropertyKind::Int64: {
      const auto v = ToInteger<std::int64_t>(NumberSource(path, p, value));
      if (!v) MemberError(path, p, "não é um número inteiro de 64 bits");
      p.Set(target, *v);
      return;
    }
    case PropertyKind::Float: {
      const auto v = ToDouble(NumberSource(path, p, value));
      if (!v) MemberError(path, p, "não é um número");
      p.Set(target, *v);
      return;
    }
    case PropertyKind::Currency: {
      // Parsed from the number's own text: an amount never passes through a double.
      const std::string& text = NumberSource(path, p, value);
      try {
        p.Set(target, Currency::Parse(text));
      } catch (const ECurrencyOverflow&) {
        MemberError(path, p, "valor monetário fora do intervalo");
      } catch (const EConvertError&) {
        MemberError(path, p, "não é um valor monetário");
      }
      return;
    }
    case PropertyKind::DateTime: {
      if (value.kind != Kind::String) KindMismatch(path, p, value);
      if (value.text.empty()) {
        p.Set(target, TDateTime{});
        return;
      }
      const auto v = ParseIso8601(value.text);
      if (!v) MemberError(path, p, "não é uma data ISO 8601");
      p.Set(target, *v);
      return;
    }
    case PropertyKind::Text:
      // Numbers and flags keep their JSON text (an id sent as a number is still an id).
      if (value.kind == Kind::Boolean) {
        p.Set(target, std::string(value.flag ? "true" : "false"));
      } else if (value.kind == Kind::String || value.kind == Kind::Number) {
        p.Set(target, value.text);
      } else {
        KindMismatch(path, p, value);
      }
      return;
    case PropertyKind::Object: {
      if (value.kind != Kind::Object) KindMismatch(path, p, value);
      std::unique_ptr<Persistent> child = p.ElementClass()->Create();
      try {
        ReadObject(value, *child, path);
      } catch (const EConvertError&) {
        // A nested object that cannot be read is left out; the rest of the document stands.
        p.SetObject(target, nullptr);
        return;
      }
      p.SetObject(target, std::move(child));
      return;
    }
    case PropertyKind::List: {
      if (value.kind != Kind::Array) KindMismatch(path, p, value);
      p.ClearList(target);
      for (size_t i = 0; i < value.values.size(); ++i) {
        const JsonNode& element = value.values[i];
        const std::string elementPath = path + "[" + std::to_string(i) + "]";
        // A null entry carries nothing to read; the list holds no empty slots.
        if (element.kind == Kind::Null) continue;
        if (element.kind != Kind::Object) {
          MemberError(elementPath, p, "elemento do tipo " + std::string(KindName(element.kind)));
        }
        std::unique_ptr<Persistent> child = p.ElementClass()->Create();
        ReadObject(element, *child, elementPath);
        p.Append(target, std::move(child));
      }
      return;
    }
  }
}

void ReadObject(const JsonNode& node, Persistent& target, const std::string& path) {
  const ClassInfo& info = target.GetClassInfo();
  for (size_t i = 0; i < node.keys.size(); ++i) {
    const std::string& key = node.keys[i];
    const auto memberPath = [&]() -> std::string {
      if (path.empty()) return key;
      std::string full = path;
      full += '.';
      full += key;
      return full;
    };
    if (const PropertyInfo* p = FindMember(info, key)) {
      ReadMember(node.values[i], target, *p, memberPath());
    }
    for (const PropertyInfo& extra : info.Properties) {
      if (!IsSecondKey(extra, key)) continue;
      try {
        ReadMember(node.values[i], target, extra, memberPath());
      } catch (const EConvertError&) {
        // The key belongs to its own member; a value that does not fit here is not an error.
      }
    }
  }
}

// --- Writing ------------------------------------------------------------------------------

void AppendEscape(std::string& out, char32_t unit) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

void WriteString(std::string& out, std::string_view s) {
  out += '"';
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    size_t len = DecodeUtf8(s, i, cp);
    if (len == 0) {
      cp = 0xFFFD;
      len = 1;
    }
    i += len;
    if (cp == '"') {
      out += "\\\"";
    } else if (cp == '\\') {
      out += "\\\\";
    } else if (cp >= 32 && cp <= 127) {
      out += static_cast<char>(cp);
    } else if (cp <= 0xFFFF) {
      AppendEscape(out, cp);
    } else {
      const char32_t v = cp - 0x10000;
      AppendEscape(out, 0xD800 + (v >> 10));
      AppendEscape(out, 0xDC00 + (v & 0x3FF));
    }
  }
  out += '"';
}

std::string TwoDigitText(int v) {
  return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

std::string IsoText(const TDateTime& value) {
  const TDateTime::Parts p = value.Decode();
  std::string year = std::to_string(p.Year);
  if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
  std::string ms = std::to_string(p.Msec);
  ms.insert(0, 3 - ms.size(), '0');
  return year + "-" + TwoDigitText(p.Month) + "-" + TwoDigitText(p.Day) + "T" +
         TwoDigitText(p.Hour) + ":" + TwoDigitText(p.Minute) + ":" + TwoDigitText(p.Second) + "." +
         ms + "Z";
}

void WriteDouble(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";  // JSON has no NaN or infinity
    return;
  }
  if (v == 0) {
    // The reader takes "-0" for the integer 0: a negative zero is written as plain 0.
    out += '0';
    return;
  }
  std::array<char, 32> buf{};
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v);
  out.append(buf.data(), ec == std::errc{} ? end : buf.data());
}

void WriteObject(std::string& out, const Persistent& object);

void WriteMember(std::string& out, const Persistent& object, const PropertyInfo& p) {
  switch (p.Kind) {
    case PropertyKind::Boolean:
      out += std::get<bool>(p.Get(object)) ? "true" : "false";
      return;
    case PropertyKind::Integer:
      out += std::to_string(std::get<std::int32_t>(p.Get(object)));
      return;
    case PropertyKind::Int64:
      out += std::to_string(std::get<std::int64_t>(p.Get(object)));
      return;
    case PropertyKind::Float:
      WriteDouble(out, std::get<double>(p.Get(object)));
      return;
    case PropertyKind::Currency:
      out += std::get<Currency>(p.Get(object)).ToString();
      return;
    case PropertyKind::DateTime:
      out += '"' + IsoText(std::get<TDateTime>(p.Get(object))) + '"';
      return;
    case PropertyKind::Text:
      WriteString(out, std::get<std::string>(p.Get(object)));
      return;
    case PropertyKind::Object: {
      const Persistent* child = p.GetObject(object);
      if (child) {
        WriteObject(out, *child);
      } else {
        out += "null";
      }
      return;
    }
    case PropertyKind::List: {
      out += '[';
      const size_t count = p.Count(object);
      for (size_t i = 0; i < count; ++i) {
        if (i > 0) out += ',';
        const Persistent* element = p.At(object, i);
        if (element) {
          WriteObject(out, *element);
        } else {
          out += "null";
        }
      }
      out += ']';
      return;
    }
  }
}

std::string KeyOf(std::string_view name) {
  std::string key(name);
  if (!key.empty() && key[0] >= 'A' && key[0] <= 'Z')
    key[0] = static_cast<char>(key[0] - 'A' + 'a');
  return key;
}

void WriteObject(std::string& out, const Persistent& object) {
  out += '{';
  bool first = true;
  for (const PropertyInfo& p : object.GetClassInfo().Properties) {
    if (!first) out += ',';
    first = false;
    WriteString(out, KeyOf(p.Name));
    out += ':';
    WriteMember(out, object, p);
  }
  out += '}';
}

}  // namespace

std::string ToJsonString(const Persistent& object) {
  std::string out;
  WriteObject(out, object);
  return out;
}

bool ReadJsonObject(std::string_view text, Persistent& target) {
  if (text.empty()) return false;
  // The parser refuses ill-formed UTF-8; a stray byte in a text must not lose the document.
  const std::optional<std::string> repaired = RepairedUtf8(text);
  const std::string_view input = repaired ? std::string_view(*repaired) : text;

  TreeBuilder builder;
  const bool parsed = nlohmann::json::sax_parse(input, &builder);
  if (!parsed) {
    // Blank text parses to nothing, which is no object either.
    if (input.find_first_not_of(" \t\r\n") == std::string_view::npos) {
      throw EConvertError(std::string(kNotAnObject));
    }
    throw EConvertError(builder.Error().empty() ? "Texto JSON inválido" : builder.Error());
  }
  const JsonNode& root = builder.Root();
  if (root.kind == JsonNode::Kind::Null) return false;
  if (root.kind != JsonNode::Kind::Object) throw EConvertError(std::string(kNotAnObject));
  ReadObject(root, target, "");
  return true;
}
