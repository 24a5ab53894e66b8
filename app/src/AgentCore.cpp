#include "AgentCore.h"

#include <QCoreApplication>
#include <chrono>
#include <cmath>

#include "AutoStart.h"
#include "ShellSettings.h"
#include "common/FileVersion.h"
#include "common/ProgressView.h"
#include "common/TDM.h"

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kTimer3{3000};
constexpr milliseconds kTimerAtualizacao{300};
constexpr milliseconds kTmBackup{2400000};

milliseconds Scaled(milliseconds base, double scale) {
  const auto ms = static_cast<long long>(std::llround(static_cast<double>(base.count()) * scale));
  return milliseconds(ms < 1 ? 1 : ms);
}

}  // namespace

AgentCore::AgentCore(AgentComponents components, AgentView& view, double timeScale, QObject* parent)
    : QObject(parent),
      FComponents(components),
      FView(view),
      FSafetyRun(HandleUnhandledException),
      FConfiguredRun(HandleUnhandledException),
      FUpdateRun(HandleUnhandledException) {
  Timer3.setObjectName("Timer3");
  TimerAtualizacao.setObjectName("TimerAtualizacao");
  tmBackup.setObjectName("tmBackup");
  Timer3.setInterval(Scaled(kTimer3, timeScale));
  TimerAtualizacao.setInterval(Scaled(kTimerAtualizacao, timeScale));
  tmBackup.setInterval(Scaled(kTmBackup, timeScale));
  // Forty minutes need no precision; a coarse timer lets the system batch its wake-ups.
  tmBackup.setTimerType(Qt::VeryCoarseTimer);
  connect(&Timer3, &QTimer::timeout, this, &AgentCore::Timer3Timer);
  connect(&TimerAtualizacao, &QTimer::timeout, this, &AgentCore::TimerAtualizacaoTimer);
  connect(&tmBackup, &QTimer::timeout, this, &AgentCore::Image7Click);
  connect(this, &AgentCore::JobEnded, this, &AgentCore::JobFinished, Qt::QueuedConnection);
  connect(this, &AgentCore::UpdatePublished, this, &AgentCore::StartUpdate, Qt::QueuedConnection);

  FPreviousHandler =
      SetGeneralErrorHandler([this](const std::string& m) { ApplicationEvents1Exception(m); });
  Timer3.start();
}

AgentCore::~AgentCore() {
  Shutdown();
  SetGeneralErrorHandler(std::move(FPreviousHandler));
}

void AgentCore::FormCreate() {
  try {
    FView.ShowVersion("Versão: " + std::to_string(CompiledVersion()[3]));
    FidLoja = -1;
    FMatriz = -1;
    if (AutoStartEntryExists()) {
      FView.ShowAutoStart(kLabAutoPresente);
      FView.ShowStartLabel(kLabStartPresente);
    } else {
      FView.ShowAutoStart(kLabAutoAusente);
    }
    FFuncao.GravarLog(std::string("Inicializando a aplicação - ") + kCaption);
    tmBackup.start();
    FFuncao.DeleteFileOld("Logs\\IFOOD\\", 10, "txt");
    FFuncao.DeleteFileOld("Logs\\MOTOBOY\\", 10, "txt");
    FView.SelectLogTab();
    TimerAtualizacao.start();
    CarregarConfiguracao();
  } catch (...) {
    HandleUnhandledException(std::current_exception());
  }
}

void AgentCore::CarregarConfiguracao() {
  const ShellSettings settings = ReadShellSettings();
  FidLoja = settings.idLoja;
  FMatriz = settings.Matriz;
  FCaminhoExtra = settings.CaminhoExtra;
  FCaminhoExtraAtual = FCaminhoExtra;
  FView.ShowExtraFolder(FCaminhoExtra);

  Query& empresa = DM().qryEmpresa;
  empresa.Close();
  empresa.Open();
  // An empty company table leaves the trade name empty: the title is then the spaces alone.
  FFantasia = empresa.Eof() ? std::string() : empresa.FieldByName("FANTASIA").AsString();
  FView.ShowTitle(MainTitle(FFantasia));
}

void AgentCore::Image7Click() {
  if (FShutDown) return;
  SafetyBackupJob& job = FComponents.safetyBackup;
  const std::string extra = FCaminhoExtraAtual;
  ProgressView* pane = FView.LogPane();
  ConnectionLights* lights = FView.Lights();
  const bool started = FSafetyRun.TryStart(
      [&job, extra, pane, lights] { job.Run(extra, pane, lights); }, [this] { emit JobEnded(); });
  if (!started) FFuncao.GravarLog(kBackupIgnorado);
}

void AgentCore::ExecutarBackupFtp() {
  if (FShutDown) return;
  ConfiguredBackupJob& job = FComponents.configuredBackup;
  ProgressView* pane = FView.LogPane();
  const bool started =
      FConfiguredRun.TryStart([&job, pane] { job.Run(pane); }, [this] { emit JobEnded(); });
  if (!started) FFuncao.GravarLog(kBackupFtpIgnorado);
}

void AgentCore::VerificarAtualizacao() {
  if (FShutDown) return;
  UpdateChecker& checker = FComponents.updateChecker;
  const bool started = FUpdateRun.TryStart(
      [this, &checker] {
        // The update opens its window and worker from the core's thread.
        if (checker.ExisteAtualizacao()) emit UpdatePublished();
      },
      [this] { emit JobEnded(); });
  if (!started) FFuncao.GravarLog(kAtualizacaoIgnorada);
}

void AgentCore::AplicarConsultaId() {
  const ShellSettings settings = ReadShellSettings();
  FidLoja = settings.idLoja;
  FMatriz = settings.Matriz;
  FView.ShowTitle(MainTitleWithStoreId(FFantasia, FidLoja));
}

void AgentCore::ApplicationEvents1Exception(const std::string& message) const {
  FFuncao.GravarLog("Erro de integração: " + message);
}

void AgentCore::Shutdown() {
  if (FShutDown) return;
  FShutDown = true;
  Timer3.stop();
  TimerAtualizacao.stop();
  tmBackup.stop();
  if (AnyJobRunning()) {
    FFuncao.GravarLog("Encerrando: aguardando o término da rotina em andamento");
    // Each job's end posts an event, so this wakes when one ends; meanwhile a worker waiting
    // for the window (a confirmation) is still served.
    while (AnyJobRunning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  FSafetyRun.Wait();
  FConfiguredRun.Wait();
  FUpdateRun.Wait();
}

void AgentCore::Timer3Timer() {
  Timer3.stop();
  FView.MinimizeToTray();
}

void AgentCore::TimerAtualizacaoTimer() {
  TimerAtualizacao.stop();
  VerificarAtualizacao();
}

void AgentCore::StartUpdate() {
  if (FShutDown) return;
  try {
    FComponents.updateChecker.AtualizarVersao(false);
  } catch (...) {
    HandleUnhandledException(std::current_exception());
  }
}

bool AgentCore::AnyJobRunning() const {
  return FSafetyRun.Running() || FConfiguredRun.Running() || FUpdateRun.Running();
}
