#include "HeadlessApp.h"

#include <QSocketNotifier>

#include "AgentApplication.h"
#include "ConsolePane.h"
#include "QtUserInterface.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "common/ProgressView.h"
#include "common/TDM.h"
#include "common/TFuncoesIFood.h"
#include "common/platform/InstanceLock.h"
#include "common/platform/StopSignals.h"

namespace {

class HeadlessView final : public AgentView {
 public:
  ProgressView* LogPane() override { return &FPane; }

 private:
  ConsolePane FPane;
};

}  // namespace

int RunHeadless(int argc, char** argv) {
  platform::StopSignals stopSignals;

  HeadlessApplication app(argc, argv);
  HeadlessUserInterface ui;
  InstallUserInterface(&ui);
  TFuncoesIFood::TraduzirMsgDialog();

  SingleInstance guard(platform::UserRuntimeDir());
  if (!StartAsTheOnlyCopy(guard, argc, argv)) return 0;
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
