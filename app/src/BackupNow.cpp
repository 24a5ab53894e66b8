#include "BackupNow.h"

#include <exception>
#include <iostream>

#include "backup/TBackupFtp.h"
#include "backup/TBackupSeguranca.h"
#include "common/IniFile.h"
#include "common/ProgressView.h"
#include "common/TDM.h"
#include "common/TFuncoesIFood.h"
#include "common/UnhandledErrors.h"
#include "common/UserInterface.h"
#include "common/platform/Paths.h"

namespace {

// The log pane of a console: one line of output per pane line, in order.
class StdoutPane final : public ProgressView {
 public:
  void InsertLine(const std::string& line) override { std::cout << line << std::endl; }
  void AppendLine(const std::string& line) override { std::cout << line << std::endl; }
  void Clear() override {}
};

// Message boxes of a one-shot run: the log line of the headless mode, and the text on stderr so
// whoever started the command sees why it failed.
class ConsoleUserInterface final : public UserInterface {
 public:
  ConsoleUserInterface() { InstallUserInterface(this); }
  ~ConsoleUserInterface() override { InstallUserInterface(nullptr); }
  ConsoleUserInterface(const ConsoleUserInterface&) = delete;
  ConsoleUserInterface& operator=(const ConsoleUserInterface&) = delete;

  bool Confirm(const std::string&) override { return false; }
  void ShowError(const std::string& message) override {
    TFuncoesIFood().GravarLog(message);
    std::cerr << message << std::endl;
  }
  void TranslateStandardDialogs() override {}
  void ProcessEvents() override {}
  void RequestQuit() override {}
};

std::string SavedExtraFolder() {
  return IniFile(platform::ExecutableDir() / "configuracao.ini")
      .ReadString("Settings", "CaminhoExtra", "");
}

}  // namespace

int RunBackupNow(const std::optional<std::string>& caminhoExtra) {
  ConsoleUserInterface ui;
  // As at the window's start-up: the data module, then the company query the upload reads.
  TDM& dm = CreateDM();
  try {
    dm.qryEmpresa.Close();
    dm.qryEmpresa.Open();
  } catch (...) {
    HandleUnhandledException(std::current_exception());
  }
  StdoutPane pane;
  TBackupSeguranca backup(&pane, nullptr, nullptr, &dm);
  const SafetyBackupResult result = backup.Image7Click(caminhoExtra.value_or(SavedExtraFolder()));
  DestroyDM();
  return result == SafetyBackupResult::ArchiveMade ? 0 : 1;
}

int RunBackupFtp() {
  ConsoleUserInterface ui;
  const ErrorHandler previous = SetGeneralErrorHandler([](const std::string& message) {
    const std::string line = "Erro de integração: " + message;
    TFuncoesIFood().GravarLog(line);
    std::cerr << line << std::endl;
  });
  TDM& dm = CreateDM();
  StdoutPane pane;
  int rc = 0;
  try {
    TBackupFtp job(dm);
    job.memo = &pane;
    job.Execute();
  } catch (...) {
    HandleUnhandledException(std::current_exception());
    rc = 1;
  }
  DestroyDM();
  SetGeneralErrorHandler(previous);
  return rc;
}
