#include "ShellSettings.h"

#include "common/IniFile.h"
#include "common/platform/Paths.h"

namespace {
constexpr const char* kSection = "Settings";
}

std::filesystem::path ConfiguracaoIniPath() {
  return platform::ExecutableDir() / "configuracao.ini";
}

ShellSettings ReadShellSettings() {
  const IniFile ini(ConfiguracaoIniPath());
  ShellSettings s;
  s.FirstRun = ini.ReadBool(kSection, "FirstRun", true);
  s.idLoja = ini.ReadInteger(kSection, "idLoja", -1);
  s.Matriz = ini.ReadInteger(kSection, "Matriz", -1);
  s.CaminhoExtra = ini.ReadString(kSection, "CaminhoExtra", "");
  return s;
}

void WriteCaminhoExtra(const std::string& caminho) {
  IniFile ini(ConfiguracaoIniPath());
  ini.WriteString(kSection, "CaminhoExtra", caminho);
}

std::string MainTitle(const std::string& fantasia) { return std::string(17, ' ') + fantasia; }

std::string MainTitleWithStoreId(const std::string& fantasia, int idLoja) {
  return MainTitle(fantasia) + "\r | ID: " + std::to_string(idLoja);
}
