#include "backup/TBackupFtpConfig.h"

#include <gtest/gtest.h>

#include <string>

#include "common/Errors.h"

namespace {

std::unique_ptr<THorario> Horario(const std::string& hora, std::int32_t ativo) {
  auto h = std::make_unique<THorario>();
  h->Hora = hora;
  h->Ativo = ativo;
  return h;
}

TEST(TBackupFtpConfig, WritesEachEntryAsAnObjectAndAMissingOneAsNull) {
  TBackupFtpConfig config;
  EXPECT_EQ(config.ToJsonString(), R"({"hora1":null,"hora2":null,"hora3":null})");

  config.hora1 = Horario("08:00", 1);
  config.hora3 = Horario("22:30", 0);
  EXPECT_EQ(config.ToJsonString(), R"({"hora1":{"hora":"08:00","ativo":1},"hora2":null,)"
                                   R"("hora3":{"hora":"22:30","ativo":0}})");
  EXPECT_EQ(config.hora1->ToJsonString(), R"({"hora":"08:00","ativo":1})");
}

TEST(TBackupFtpConfig, ReadsWhatItFindsAndLeavesTheRestEmpty) {
  struct Case {
    const char* name;
    const char* json;
    const char* hora1;  // nullptr: entry absent
    std::int32_t ativo1;
    bool hora2;
    bool hora3;
  } cases[] = {
      {"only hora1", R"({"hora1":{"hora":"08:00","ativo":1}})", "08:00", 1, false, false},
      {"all three", R"({"hora1":{"hora":"1","ativo":0},"hora2":{"hora":"2"},"hora3":{}})", "1", 0,
       true, true},
      {"null entries", R"({"hora1":null,"hora2":null,"hora3":{"ativo":1}})", nullptr, 0, false,
       true},
      {"keys in another case, number as text", R"({"HORA1":{"Hora":"07:15","ATIVO":"1"}})", "07:15",
       1, false, false},
      {"unknown members", R"({"hora4":{"hora":"x"},"outro":[1,2]})", nullptr, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto config = TBackupFtpConfig::FromJsonString(c.json);
    ASSERT_NE(config, nullptr);
    ASSERT_EQ(config->hora1 != nullptr, c.hora1 != nullptr);
    if (c.hora1) {
      EXPECT_EQ(config->hora1->Hora, c.hora1);
      EXPECT_EQ(config->hora1->Ativo, c.ativo1);
    }
    EXPECT_EQ(config->hora2 != nullptr, c.hora2);
    EXPECT_EQ(config->hora3 != nullptr, c.hora3);
  }
}

TEST(TBackupFtpConfig, FromJsonStringHasThreeOutcomes) {
  // No object for an empty text or null.
  for (const char* vazio : {"", "null"}) {
    SCOPED_TRACE(vazio);
    EXPECT_EQ(TBackupFtpConfig::FromJsonString(vazio), nullptr);
    EXPECT_EQ(THorario::FromJsonString(vazio), nullptr);
  }
  // A conversion error for anything that is not a JSON object.
  for (const char* invalido :
       {"[]", R"([{"hora1":null}])", "42", R"("texto")", "{hora1:", "true"}) {
    SCOPED_TRACE(invalido);
    EXPECT_THROW((void)TBackupFtpConfig::FromJsonString(invalido), EConvertError);
    EXPECT_THROW((void)THorario::FromJsonString(invalido), EConvertError);
  }
  try {
    (void)TBackupFtpConfig::FromJsonString("[1]");
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "The input value is not a valid Object");
  }
  // A new object otherwise, which writes back what it read.
  const std::string texto = R"({"hora1":{"hora":"08:00","ativo":1},"hora2":null,)"
                            R"("hora3":{"hora":"22:30","ativo":0}})";
  const auto config = TBackupFtpConfig::FromJsonString(texto);
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(config->ToJsonString(), texto);
}

}  // namespace
