#include "backup/TBackupFtpConfig.h"

#include "common/JsonMapping.h"

const ClassInfo& THorario::Class() {
  static const ClassInfo info = ClassBuilder<THorario>("THorario")
                                    .Property("Hora", &THorario::Hora)
                                    .Property("Ativo", &THorario::Ativo)
                                    .Build();
  return info;
}

std::string THorario::ToJsonString() const { return ::ToJsonString(*this); }

std::unique_ptr<THorario> THorario::FromJsonString(std::string_view AJsonString) {
  return ::FromJsonString<THorario>(AJsonString);
}

const ClassInfo& TBackupFtpConfig::Class() {
  static const ClassInfo info = ClassBuilder<TBackupFtpConfig>("TBackupFtpConfig")
                                    .Property("hora1", &TBackupFtpConfig::hora1)
                                    .Property("hora2", &TBackupFtpConfig::hora2)
                                    .Property("hora3", &TBackupFtpConfig::hora3)
                                    .Build();
  return info;
}

std::string TBackupFtpConfig::ToJsonString() const { return ::ToJsonString(*this); }

std::unique_ptr<TBackupFtpConfig> TBackupFtpConfig::FromJsonString(std::string_view AJsonString) {
  return ::FromJsonString<TBackupFtpConfig>(AJsonString);
}
