// Dialogs, programs, the machine's and the program's identity, connectivity checks and the
// launcher of TFuncoesIFood.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "common/DeploymentSettings.h"
#include "common/FileVersion.h"
#include "common/TFuncoesIFood.h"
#include "common/UserInterface.h"
#include "common/platform/Network.h"
#include "common/platform/Paths.h"
#include "common/platform/Process.h"
#include "common/platform/Shortcut.h"
#include "common/platform/SystemIdentity.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kWaitSlice{100};
constexpr std::chrono::milliseconds kConnectTimeout{3000};

bool IsShellScript(const fs::path& file) {
  return platform::SameNameIgnoringCase(file.extension().string(), ".sh");
}

// How the shell's "open" of a file maps here: a shell script runs through /bin/sh, a program
// runs itself, and a bare name that is no file of the working directory is looked up on PATH.
std::vector<std::string> CommandFor(const std::string& nomeArquivo) {
  const std::string name = platform::NormalizeSeparators(nomeArquivo);
  const fs::path file = platform::InWorkingDir(name);
  std::error_code ec;
  if (!fs::exists(file, ec) && !name.empty() && name.find('/') == std::string::npos) {
    return {name};
  }
  if (IsShellScript(file)) {
    // The shell would start and only then fail to find the script; report it as not started.
    if (!fs::is_regular_file(file, ec)) {
      throw std::runtime_error("Não foi possível executar " + nomeArquivo +
                               ": arquivo não encontrado");
    }
    return {"/bin/sh", file.string()};
  }
  return {file.string()};
}

}  // namespace

bool TFuncoesIFood::Confirm(const std::string& pMsg) {
  return CurrentUserInterface().Confirm(pMsg);
}

void TFuncoesIFood::TraduzirMsgDialog() { CurrentUserInterface().TranslateStandardDialogs(); }

bool TFuncoesIFood::ExecutarEEsperar(const std::string& NomeArquivo) const {
  std::optional<platform::ChildProcess> child;
  try {
    child.emplace(platform::StartProcess(CommandFor(NomeArquivo)));
  } catch (const std::exception& e) {
    GravarLog(e.what());
    return false;
  }
  // Block in short slices, letting the window process its events between them.
  do {
    CurrentUserInterface().ProcessEvents();
  } while (!child->WaitFor(kWaitSlice));
  return true;
}

void TFuncoesIFood::CreateShortcut(const std::string& FileName, const std::string& /*Parameters*/,
                                   const std::string& /*InitialDir*/,
                                   const std::string& /*ShortcutName*/,
                                   const std::string& /*ShortcutFolder*/) const {
  const fs::path program = fs::absolute(platform::InWorkingDir(FileName));
  platform::WriteLauncher(program, "DESCRIÇÃO DO ATALHO");
}

void TFuncoesIFood::ReiniciarAplicacao() {
  const fs::path executable = platform::StartedExecutablePath();
  if (executable.empty()) throw std::runtime_error("Não foi possível localizar o executável");
  std::vector<std::string> argv{executable.string()};
  const std::vector<std::string> own = platform::OwnArguments();
  if (own.size() > 1 && std::find(own.begin() + 1, own.end(), "--headless") != own.end()) {
    argv.emplace_back("--headless");
  }
  // The new copy's single-instance guard waits for this process to end instead of giving way.
  platform::StartDetached(argv,
                          {{"BRISANE_AGUARDAR_PID", std::to_string(platform::CurrentProcessId())}});
  // Only once the new copy is on its way: a failed start leaves this one running.
  CurrentUserInterface().RequestQuit();
}

std::string TFuncoesIFood::NumeroSerieHD(const std::string& pHD) {
  // A drive letter means nothing here: every letter names the root file system. A path names
  // the file system that holds it.
  const fs::path where = (!pHD.empty() && pHD.front() == '/') ? fs::path(pHD) : fs::path("/");
  const auto serial = platform::FileSystemSerial(where);
  if (!serial) return {};
  char text[9];
  std::snprintf(text, sizeof(text), "%08X", static_cast<unsigned>(*serial));
  return text;
}

int TFuncoesIFood::GetBuildInfo(const std::string& Prog) const {
  try {
    if (Prog.empty()) return 0;
    const auto version = ReadFileVersion(platform::InWorkingDir(Prog));
    if (!version) return 0;
    int sum = 0;
    for (int part : *version) sum += part;
    return sum;
  } catch (...) {
    return 0;
  }
}

bool TFuncoesIFood::ChecarConexaoDelivery() {
  try {
    return platform::CanConnect(Deployment().dominios.Delivery, 443, kConnectTimeout);
  } catch (...) {
    return false;
  }
}

bool TFuncoesIFood::ChecarConexaoGestor() {
  // The manager page is served over plain HTTP by the same web host.
  try {
    return platform::CanConnect(Deployment().dominios.Delivery, 80, kConnectTimeout);
  } catch (...) {
    return false;
  }
}
