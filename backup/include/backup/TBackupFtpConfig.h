#pragma once
// The configured backup job's schedule document: three times of day, each with its own switch.
// Nothing applies it yet; it only travels to and from JSON.
//
//   auto config = TBackupFtpConfig::FromJsonString(text);  // null for "" and "null"
//   if (config && config->hora1) ... config->hora1->Hora ...
//   std::string json = config->ToJsonString();

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Persistent.h"

// One scheduled time: {"hora":"22:00","ativo":1}.
class THorario : public Persistent {
 public:
  std::string Hora;        // time of day as text
  std::int32_t Ativo = 0;  // non-zero: the entry is active

  [[nodiscard]] std::string ToJsonString() const;
  // A new entry; null for an empty text or null. Throws EConvertError ("The input value is not a
  // valid Object") for any text that is not a JSON object.
  [[nodiscard]] static std::unique_ptr<THorario> FromJsonString(std::string_view AJsonString);

  static const ClassInfo& Class();
  [[nodiscard]] const ClassInfo& GetClassInfo() const override { return Class(); }
};

// {"hora1":{...},"hora2":{...},"hora3":null}: an entry missing from the text stays null.
class TBackupFtpConfig : public Persistent {
 public:
  std::unique_ptr<THorario> hora1;
  std::unique_ptr<THorario> hora2;
  std::unique_ptr<THorario> hora3;

  [[nodiscard]] std::string ToJsonString() const;
  // As THorario::FromJsonString.
  [[nodiscard]] static std::unique_ptr<TBackupFtpConfig> FromJsonString(
      std::string_view AJsonString);

  static const ClassInfo& Class();
  [[nodiscard]] const ClassInfo& GetClassInfo() const override { return Class(); }
};
