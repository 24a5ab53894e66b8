#pragma once
// A fixture for the window's tests: a scratch working folder with a fresh point-of-sale
// database on the test server, the executable's folder inside it (configuracao.ini and the
// launcher go there), an autostart folder of its own, the Qt user interface installed, and job
// stand-ins. Open() creates the data module and the window (which runs FormCreate).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>
#include <memory>

#include "AppTestSupport.h"
#include "ClickableLabel.h"
#include "QtUserInterface.h"
#include "TfrmPrincipal.h"
#include "common/DeploymentSettings.h"
#include "common/TDM.h"
#include "common/UserInterface.h"
#include "common/platform/Paths.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"

class WindowTest : public ::testing::Test {
 protected:
  // Timers at a thousandth of their interval: Timer3 3 ms, TimerAtualizacao 0.3 ms (1 ms),
  // tmBackup 2.4 s.
  static constexpr double kFast = 0.001;

  WindowTest() {
    std::filesystem::create_directories(exeDir);
    platform::OverrideExecutableDir(exeDir);
    settings.sistema.PastaAutostart = scratch / "autostart";
    SetDeployment(settings);
    InstallUserInterface(&ui);
  }

  ~WindowTest() override {
    frm.reset();
    CloseMessageBoxes();
    DestroyDM();
    InstallUserInterface(nullptr);
    platform::OverrideExecutableDir({});
    SetDeployment(DeploymentSettings{});
  }

  AgentComponents Components() { return {safety, configured, updates}; }

  // Settings changed after construction (an autostart entry, a different database) must be
  // applied before this.
  TfrmPrincipal& Open(double timeScale = 1.0) {
    SetDeployment(settings);
    CreateDM();
    frm = std::make_unique<TfrmPrincipal>(Components(), timeScale);
    // The offscreen platform has no notification area; the window's tray path is what runs on a
    // desktop.
    frm->SetTrayAvailability([] { return true; });
    return *frm;
  }

  template <class T>
  T* Find(const char* name) {
    return frm->findChild<T*>(QString::fromLatin1(name));
  }

  harness::ScratchDir scratch;
  DeploymentSettings settings =
      harness::FreshDatabase(harness::DatabaseMode::Server, /*seed=*/true);
  std::filesystem::path exeDir = scratch / "bin";
  QtUserInterface ui;
  SafetyBackupStandIn safety;
  ConfiguredBackupStandIn configured;
  UpdateCheckerStandIn updates;
  std::unique_ptr<TfrmPrincipal> frm;
};
