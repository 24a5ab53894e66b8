// INI copies of described objects (GravarINI/SerializarINI) for TFuncoesIFood.
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

#include "common/DeploymentSettings.h"
#include "common/Errors.h"
#include "common/IniFile.h"
#include "common/Persistent.h"
#include "common/TFuncoesIFood.h"
#include "common/platform/Paths.h"

namespace {

// The day numbers of 01/01/0001 and 31/12/9999 23:59:59.999, the dates a TDateTime can show.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958466.0;

std::string WithSeparator(std::string text, std::string_view separator) {
  const size_t dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, separator);
  return text;
}

// Up to 15 significant digits, exponent written as "E20" / "E-5", as the platform writes
// floating-point values into initialisation files.
std::string FloatText(double v, std::string_view separator) {
  std::array<char, 64> buf{};
  const auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::general, 15);
  std::string text(buf.data(), ec == std::errc{} ? end : buf.data());
  const size_t e = text.find('e');
  if (e != std::string::npos) {
    std::string exponent = text.substr(e + 1);
    const bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) exponent.erase(0, 1);
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    text = text.substr(0, e) + "E" + (negative ? "-" : "") + exponent;
  }
  return WithSeparator(std::move(text), separator);
}

// A decimal written with the deployment's separator (or with "."); nullopt for anything else
// and for values that are not finite.
std::optional<double> ParseFloat(std::string text, std::string_view separator) {
  if (!separator.empty() && separator != ".") {
    const size_t at = text.find(separator);
    if (at != std::string::npos) text.replace(at, separator.size(), ".");
  }
  std::string_view s = text;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// Line breaks would end the value and start lines of their own in the file.
std::string SingleLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

std::filesystem::path IniPath(const std::string& arquivo) {
  return platform::InWorkingDir(arquivo);
}

}  // namespace

Persistent& TFuncoesIFood::GravarINI(const std::string& Arquivo, const std::string& chave,
                                     Persistent& obj) const {
  IniFile ini(IniPath(Arquivo));
  const std::string& separator = Deployment().sistema.SeparadorDecimal;
  for (const PropertyInfo& p : obj.GetClassInfo().Properties) {
    switch (p.Kind) {
      case PropertyKind::Boolean:
        ini.WriteBool(chave, p.Name, std::get<bool>(p.Get(obj)));
        break;
      case PropertyKind::Integer:
        ini.WriteInteger(chave, p.Name, std::get<std::int32_t>(p.Get(obj)));
        break;
      case PropertyKind::Float:
        ini.WriteString(chave, p.Name, FloatText(std::get<double>(p.Get(obj)), separator));
        break;
      case PropertyKind::Currency:
        ini.WriteString(chave, p.Name,
                        WithSeparator(std::get<Currency>(p.Get(obj)).ToString(), separator));
        break;
      case PropertyKind::DateTime:
        // The day number since 30/12/1899 with the time as its fraction.
        ini.WriteString(chave, p.Name,
                        FloatText(std::get<TDateTime>(p.Get(obj)).ToOleDays(), separator));
        break;
      case PropertyKind::Text:
        ini.WriteString(chave, p.Name, SingleLine(std::get<std::string>(p.Get(obj))));
        break;
      case PropertyKind::Int64:
      case PropertyKind::Object:
      case PropertyKind::List:
        break;
    }
  }
  return obj;
}

Persistent& TFuncoesIFood::SerializarINI(const std::string& Arquivo, const std::string& chave,
                                         Persistent& obj) const {
  const std::filesystem::path path = IniPath(Arquivo);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return obj;
  const IniFile ini(path);
  const std::string& separator = Deployment().sistema.SeparadorDecimal;
  // A missing key gives the kind's empty value; a value that cannot be read keeps the current one.
  for (const PropertyInfo& p : obj.GetClassInfo().Properties) {
    if (p.Kind == PropertyKind::Int64 || p.Kind == PropertyKind::Object ||
        p.Kind == PropertyKind::List) {
      continue;
    }
    const std::optional<std::string> raw = ini.ReadValue(chave, p.Name);
    switch (p.Kind) {
      case PropertyKind::Boolean: {
        if (!raw) {
          p.Set(obj, false);
        } else if (const auto v = IniFile::ParseInteger(*raw)) {
          p.Set(obj, *v != 0);
        }
        break;
      }
      case PropertyKind::Integer: {
        if (!raw) {
          p.Set(obj, std::int32_t{0});
        } else if (const auto v = IniFile::ParseInteger(*raw)) {
          p.Set(obj, *v);
        }
        break;
      }
      case PropertyKind::Float: {
        if (!raw) {
          p.Set(obj, 0.0);
        } else if (const auto v = ParseFloat(*raw, separator)) {
          p.Set(obj, *v);
        }
        break;
      }
      case PropertyKind::Currency: {
        if (!raw) {
          p.Set(obj, Currency{});
          break;
        }
        std::string text = *raw;
        if (!separator.empty() && separator != "." && separator != ",") {
          const size_t at = text.find(separator);
          if (at != std::string::npos) text.replace(at, separator.size(), ".");
        }
        try {
          p.Set(obj, Currency::Parse(text));
        } catch (const EConvertError&) {
        } catch (const ECurrencyOverflow&) {
        }
        break;
      }
      case PropertyKind::DateTime: {
        if (!raw) {
          p.Set(obj, TDateTime{});
        } else if (const auto v = ParseFloat(*raw, separator);
                   v && *v >= kFirstDay && *v < kLastDay) {
          p.Set(obj, TDateTime::FromOleDays(*v));
        }
        break;
      }
      case PropertyKind::Text:
        p.Set(obj, raw.value_or(std::string{}));
        break;
      case PropertyKind::Int64:
      case PropertyKind::Object:
      case PropertyKind::List:
        break;
    }
  }
  return obj;
}
