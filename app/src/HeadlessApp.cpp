#include "HeadlessApp.h"

#include <QSocketNotifier>
#include <cstdio>
#include <mutex>

#include "AgentApplication.h"
#include "QtUserInterface.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "common/ProgressView.h"
#include "common/TDM.h"
#include "common/TFuncoesIFood.h"
#include "common/platform/InstanceLock.h"
#include "common/platform/StopSignals.h"

namespace {

// The log pane of a service: each line on standard output as it comes (a journal keeps them).
class ConsoleProgressView final : public ProgressView {
 public:
  void InsertLine(const std::string& line) override { Write(line); }
  void AppendLine(const std::string& line) override { Write(line); }
  void Clear() override {}

 private:
  void Write(const std::string& line) {
    std::lock_guard lock(FMutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  std::mutex FMutex;
};

class HeadlessView final : public AgentView {
 public:
  ProgressView* LogPane() override { return &FPane; }

 private:
  ConsoleProgressView FPane;
};

}  // namespace

int RunHeadless(int argc, char** argv) {
  platform::StopSignals stopSignals;

  HeadlessApplication app(argc, argv);
  HeadlessUserInterface ui;
  InstallUserInterface(&ui);
  TFuncoesIFood::TraduzirMsgDialog();
  QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));

  SingleInstance guard(platform::UserRuntimeDir());
  if (!guard.Acquire(ArgumentsOf(argc, argv), TakePreviousCopyPid(),
                     SingleInstance::kRestartWait)) {
    InstallUserInterface(nullptr);
    return 0;
  }
  TFuncoesIFood::ExecutarEntradasRunOnce();

  CreateDM();
  int rc = 0;
  {
    AgentComponentSet components(/*windowed=*/false);
    HeadlessView view;
    AgentCore core(components.Refs(), view);
    core.FormCreate();
    QSocketNotifier stop(stopSignals.Descriptor(), QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&stopSignals] {
      if (stopSignals.Take() != 0) QCoreApplication::quit();
    });
    rc = QCoreApplication::exec();
    core.Shutdown();
  }
  DestroyDM();
  InstallUserInterface(nullptr);
  return rc;
}
