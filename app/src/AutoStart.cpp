#include "AutoStart.h"

#include <system_error>

#include "common/DeploymentSettings.h"
#include "common/TFuncoesIFood.h"
#include "common/platform/Paths.h"

namespace fs = std::filesystem;

namespace {

std::string EntryName() { return std::string(platform::kExecutableName) + ".desktop"; }

}  // namespace

fs::path AutoStartEntry() { return Deployment().sistema.PastaAutostart / EntryName(); }

fs::path AutoStartSource() {
  const fs::path& configured = Deployment().sistema.OrigemAtalho;
  return configured.empty() ? platform::ExecutableDir() / EntryName() : configured;
}

bool AutoStartEntryExists() {
  std::error_code ec;
  return fs::exists(AutoStartEntry(), ec);
}

std::string AlternarInicioAutomatico(const std::string& labAuto, const TFuncoesIFood& funcao) {
  if (labAuto == kLabAutoRemover) {
    std::error_code ec;
    fs::remove(AutoStartEntry(), ec);
    if (ec) {
      funcao.GravarLog("Não foi possível remover a inicialização automática " +
                       AutoStartEntry().string() + ": " + ec.message());
    }
    return kLabAutoIniciar;
  }
  const fs::path executable = platform::ExecutableDir() / std::string(platform::kExecutableName);
  try {
    funcao.CreateShortcut(executable.string(), "2 opção", executable.parent_path().string(),
                          std::string(platform::kExecutableName), " 5 opção");
  } catch (const std::exception& e) {
    funcao.GravarLog(std::string("Não foi possível criar o atalho: ") + e.what());
  }
  try {
    fs::create_directories(AutoStartEntry().parent_path());
    fs::copy_file(AutoStartSource(), AutoStartEntry(), fs::copy_options::overwrite_existing);
  } catch (const std::exception& e) {
    funcao.GravarLog(std::string("Não foi possível ativar a inicialização automática: ") +
                     e.what());
  }
  return kLabAutoRemover;
}
