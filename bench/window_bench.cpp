// Whether the window stays responsive while a safety backup runs. A probe thread posts a call to
// the window's thread every 20 ms and records how long it waits to run; a 50 ms timer on the
// window's thread repaints the window and records how long each paint takes. Both run first with
// the window idle for 5 s, then during a real safety backup started by the Backup icon: a demo
// point-of-sale database served by the test Firebird server, the archive uploaded to a test FTP
// server. The goal is every answer and every paint within 100 ms. For reference, the same backup
// then runs on the window's thread itself, which is what the probes would see if a run blocked it.
//   window_bench [--mb N]     (database of about N MB, default 200; kept in build/bench-data/)
#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "AgentApplication.h"
#include "AgentJobs.h"
#include "ClickableLabel.h"
#include "TfrmPrincipal.h"
#include "WindowViews.h"
#include "common/DeploymentSettings.h"
#include "common/TDM.h"
#include "common/UserInterface.h"
#include "common/platform/Paths.h"
#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/FtpServer.h"
#include "harness/Harness.h"
#include "harness/RecordingUserInterface.h"

namespace fs = std::filesystem;

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr auto kProbeInterval = std::chrono::milliseconds(20);
constexpr int kPaintIntervalMs = 50;
constexpr int kIdleMs = 5000;
constexpr double kGoalMs = 100.0;
constexpr auto kBackupDeadline = std::chrono::minutes(30);
constexpr const char* kDomain = "loja.exemplo";

double MsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

struct Samples {
  std::vector<double> answerMs;
  std::vector<double> paintMs;
};

// The probes of the current phase. Every sample is taken on the window's thread; the probe thread
// only posts.
class Probes final : public QObject {
  Q_OBJECT

 public:
  explicit Probes(QWidget& window) : FWindow(window) {
    FPaintTimer.setTimerType(Qt::PreciseTimer);
    FPaintTimer.setInterval(kPaintIntervalMs);
    connect(&FPaintTimer, &QTimer::timeout, this, &Probes::Paint);
  }
  ~Probes() override { Stop(); }
  Probes(const Probes&) = delete;
  Probes& operator=(const Probes&) = delete;

  // Samples go to `into` from now on.
  void Start(Samples& into) {
    FInto = &into;
    FPaintTimer.start();
    FPoster = std::jthread([this](const std::stop_token& stop) { Post(stop); });
  }

  void Stop() {
    if (FPoster.joinable()) {
      FPoster.request_stop();
      FPoster.join();
    }
    FPaintTimer.stop();
    // Calls posted but not run yet are part of this phase.
    QCoreApplication::processEvents();
    FInto = nullptr;
  }

 private:
  void Post(const std::stop_token& stop) {
    auto next = SteadyClock::now();
    while (!stop.stop_requested()) {
      const qint64 posted = SteadyClock::now().time_since_epoch().count();
      QMetaObject::invokeMethod(this, "Answer", Qt::QueuedConnection, Q_ARG(qint64, posted));
      // A fixed cadence: what is measured is the wait, not the probe's own pace.
      next += kProbeInterval;
      std::this_thread::sleep_until(next);
    }
  }

  Q_INVOKABLE void Answer(qint64 posted) {
    if (!FInto) return;
    FInto->answerMs.push_back(MsSince(SteadyClock::time_point(SteadyClock::duration(posted))));
  }

  void Paint() {
    if (!FInto) return;
    const auto start = SteadyClock::now();
    FWindow.repaint();
    FInto->paintMs.push_back(MsSince(start));
  }

  QWidget& FWindow;
  QTimer FPaintTimer;
  Samples* FInto = nullptr;
  std::jthread FPoster;  // last: stopped before the members it uses go
};

// Nearest rank.
double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
  return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

double Max(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// "p50 / p99 / max", or dashes when there was no sample (no paint while the thread was blocked).
std::string Spread(const std::vector<double>& values) {
  char text[64];
  if (values.empty()) {
    std::snprintf(text, sizeof text, "%8s / %8s / %7s", "-", "-", "-");
  } else {
    std::snprintf(text, sizeof text, "%8.1f / %8.1f / %7.1f", Percentile(values, 50),
                  Percentile(values, 99), Max(values));
  }
  return text;
}

void PrintRow(const char* phase, const Samples& s) {
  std::printf("%-8s | %6zu | %s | %5zu | %s\n", phase, s.answerMs.size(),
              Spread(s.answerMs).c_str(), s.paintMs.size(), Spread(s.paintMs).c_str());
}

void RunFor(int ms) {
  QEventLoop loop;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  limit.start(ms);
  loop.exec();
}

// Runs the window's loop until the backup has ended; false when the deadline passed first.
bool RunUntilBackupEnds(TfrmPrincipal& frm) {
  QEventLoop loop;
  bool ended = false;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (!frm.Core().BackupRunning()) {
      ended = true;
      loop.quit();
    }
  });
  check.start(20);
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  limit.start(kBackupDeadline);
  loop.exec();
  return ended;
}

}  // namespace

int main(int argc, char** argv) {
  int mb = 200;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--mb" && i + 1 < argc) {
      mb = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "uso: %s [--mb N]\n", argv[0]);
      return 2;
    }
  }
  if (mb < 1) {
    std::fprintf(stderr, "tamanho inválido\n");
    return 2;
  }
  const fs::path demo = harness::DemoDatabase(mb);
  harness::ScratchDir scratch;
  const fs::path runtime = scratch / "run";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  // Both read by the application object.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  AgentApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  harness::FtpServer ftp(scratch / "ftp");

  DeploymentSettings settings;
  settings.produto.Pasta = scratch / "Quelora";
  fs::create_directories(settings.produto.Pasta / "DADOS");
  fs::copy_file(demo, settings.DatabasePath());
  settings.firebird.Servidor = harness::FirebirdServer::Instance().Host();
  settings.firebird.Usuario = harness::FirebirdServer::kUser;
  settings.firebird.Senha = harness::FirebirdServer::kPassword;
  settings.ftpBackup.Host = "127.0.0.1";
  settings.ftpBackup.Porta = ftp.Port();
  settings.ftpBackup.Usuario = ftp.User();
  settings.ftpBackup.Senha = ftp.Password();
  settings.ftpBackup.Dominio = kDomain;
  settings.sistema.PastaAutostart = scratch / "autostart";
  fs::create_directories(settings.BackupFolder());
  fs::create_directories(ftp.Root() / "domains" / kDomain /
                         "public_html/financeiro/storage/app/public/backup");
  const fs::path extra = scratch / "Extra";
  fs::create_directories(extra);
  const fs::path exeDir = scratch / "bin";
  fs::create_directories(exeDir);
  harness::WriteFile(exeDir / "configuracao.ini",
                     "[Settings]\r\nCaminhoExtra=" + extra.string() + "\r\n");
  platform::OverrideExecutableDir(exeDir);
  SetDeployment(settings);
  CreateDM();
  // Error boxes become a record: the bench fails when the backup reported one.
  harness::RecordingUserInterface ui;

  SafetyBackupComponent safety;
  UnavailableConfiguredBackup configured;
  NoUpdateChecker updates;
  Samples idle;
  Samples backup;
  Samples onWindowThread;
  double backupSeconds = 0;
  double onWindowThreadSeconds = 0;
  int paneChanges = 0;
  int paneLines = 0;
  long long sentBytes = 0;
  bool ended = false;
  std::string pane;
  {
    auto frm = std::make_unique<TfrmPrincipal>(AgentComponents{safety, configured, updates});
    // The window stays on screen, as when the user has opened it from the notification area.
    frm->Core().Timer3.stop();
    frm->show();
    RunFor(500);  // start-up settles (the update check's worker, the first paints)

    {
      Probes probes(*frm);
      probes.Start(idle);
      RunFor(kIdleMs);
      probes.Stop();
    }

    const QMetaObject::Connection counting =
        QObject::connect(frm->MemoLogs->document(), &QTextDocument::contentsChanged, frm.get(),
                         [&] { ++paneChanges; });
    {
      Probes probes(*frm);
      probes.Start(backup);
      const auto start = SteadyClock::now();
      emit frm->Image8->clicked();  // the Backup icon
      ended = RunUntilBackupEnds(*frm);
      backupSeconds = MsSince(start) / 1000.0;
      probes.Stop();
    }
    QCoreApplication::processEvents();
    pane = frm->MemoLogs->toPlainText().toStdString();
    paneLines = frm->MemoLogs->document()->blockCount();
    QObject::disconnect(counting);
    sentBytes = ftp.BytesReceived();

    if (ended) {
      MemoProgressView logPane(frm->MemoLogs);
      WidgetConnectionLights lights(frm->green, frm->red);
      Probes probes(*frm);
      probes.Start(onWindowThread);
      QEventLoop loop;
      QTimer run;
      run.setSingleShot(true);
      QObject::connect(&run, &QTimer::timeout, &loop, [&] {
        const auto start = SteadyClock::now();
        safety.Run(frm->Core().ExtraFolder(), &logPane, &lights);
        onWindowThreadSeconds = MsSince(start) / 1000.0;
        loop.quit();
      });
      run.start(0);
      loop.exec();
      probes.Stop();
    }
    frm.reset();
  }
  DestroyDM();
  InstallUserInterface(nullptr);
  platform::OverrideExecutableDir({});

  const std::vector<std::string> errors = ui.Errors();
  if (!ended || !errors.empty() || ftp.Uploads().empty()) {
    std::fprintf(stderr, "o backup %s\n", ended ? "falhou" : "não terminou no prazo");
    for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    std::fprintf(stderr, "painel:\n%s\n", pane.c_str());
    return 1;
  }

  std::printf(
      "Janela (offscreen) durante um backup de segurança: banco de %.0f MB no servidor Firebird "
      "local, envio a um FTP local; sondas a cada %lld ms, pintura a cada %d ms\n\n",
      static_cast<double>(fs::file_size(demo)) / (1024.0 * 1024.0),
      static_cast<long long>(kProbeInterval.count()), kPaintIntervalMs);
  std::printf(
      "fase     | sondas | resposta p50 / p99 / máx (ms) | pint. | pintura p50 / p99 / máx (ms)\n");
  PrintRow("ociosa", idle);
  PrintRow("backup", backup);
  PrintRow("síncrono", onWindowThread);
  std::printf("\nbackup: %.1f s; %d linhas no painel (%d alterações); %lld bytes enviados\n",
              backupSeconds, paneLines, paneChanges, sentBytes);
  std::printf("síncrono: o mesmo backup na thread da janela, como referência (%.1f s)\n",
              onWindowThreadSeconds);
  std::printf("máximo durante o backup / meta de %.0f ms: resposta %.2f, pintura %.2f\n", kGoalMs,
              Max(backup.answerMs) / kGoalMs, Max(backup.paintMs) / kGoalMs);
  std::printf("resposta máxima síncrono / backup: %.0f\n",
              Max(onWindowThread.answerMs) / std::max(Max(backup.answerMs), 0.001));
  return 0;
}

#include "window_bench.moc"
