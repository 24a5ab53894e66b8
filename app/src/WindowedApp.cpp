#include <QSocketNotifier>
#include <iostream>

#include "AgentApplication.h"
#include "QtUserInterface.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "TfrmPrincipal.h"
#include "common/TDM.h"
#include "common/TFuncoesIFood.h"
#include "common/platform/InstanceLock.h"
#include "common/platform/StopSignals.h"

int RunWindowed(int argc, char** argv) {
  if (!HasDisplay()) {
    std::cerr << "Nenhuma tela disponível para a janela; use Backup --headless.\n";
    return 1;
  }
  // Before the application object starts its threads, so that all of them leave the stop
  // signals to the event loop.
  platform::StopSignals stopSignals;

  AgentApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the window hides in the tray
  QtUserInterface ui;
  InstallUserInterface(&ui);
  TFuncoesIFood::TraduzirMsgDialog();

  SingleInstance guard(platform::UserRuntimeDir());
  if (!StartAsTheOnlyCopy(guard, argc, argv)) return 0;
  int rc = 0;
  {
    AgentComponentSet components(/*windowed=*/true);
    TfrmPrincipal frmPrincipal(components.Refs());
    QObject::connect(&guard, &SingleInstance::ActivationRequested, &frmPrincipal,
                     [&frmPrincipal] { frmPrincipal.BringToFront(); });
    QSocketNotifier stop(stopSignals.Descriptor(), QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&stopSignals] {
      if (stopSignals.Take() != 0) QCoreApplication::quit();
    });
    frmPrincipal.show();
    rc = QApplication::exec();
    frmPrincipal.hide();
    frmPrincipal.Shutdown();
  }
  DestroyDM();
  InstallUserInterface(nullptr);
  return rc;
}
