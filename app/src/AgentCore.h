#pragma once
// The agent's life without its look: the three timers, the start-up steps of the main window,
// the settings and trade name it loads, the jobs the timers and commands start (each on a
// worker thread of its own, never two runs of one job at once), and the error log that takes
// every failure nobody caught. The window and the headless mode both drive one of these; what
// it shows goes through AgentView, which the headless mode leaves mostly empty.
//
//   AgentCore core(components, view);   // Timer3 runs from here
//   core.FormCreate();                  // log line, timers, housekeeping, settings, title
//   ... event loop ...
//   core.Shutdown();                    // stops the timers, waits for running jobs

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "AgentJobs.h"
#include "BackgroundJob.h"
#include "common/TFuncoesIFood.h"
#include "common/UnhandledErrors.h"

class ProgressView;

// What the core shows. Called on the window's thread only; the defaults show nothing.
class AgentView {
 public:
  virtual ~AgentView() = default;
  virtual void ShowVersion(const std::string& /*labVersao*/) {}
  virtual void ShowAutoStart(const std::string& /*labAuto*/) {}
  virtual void ShowStartLabel(const std::string& /*labStart*/) {}
  virtual void ShowTitle(const std::string& /*panelTitulo*/) {}
  virtual void ShowExtraFolder(const std::string& /*Edit1*/) {}
  virtual void SelectLogTab() {}
  virtual void MinimizeToTray() {}
  // The log pane and the FTP lights handed to the jobs; they must outlive the core's jobs.
  virtual ProgressView* LogPane() { return nullptr; }
  virtual ConnectionLights* Lights() { return nullptr; }
};

// The components the timers and commands run (not owned; they outlive the core).
struct AgentComponents {
  SafetyBackupJob& safetyBackup;
  ConfiguredBackupJob& configuredBackup;
  UpdateChecker& updateChecker;
};

class AgentCore final : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kCaption = "Brisane | by Corvatec";
  static constexpr const char* kBackupIgnorado =
      "Backup anterior ainda em andamento; execução ignorada";
  static constexpr const char* kBackupFtpIgnorado =
      "Backup configurado anterior ainda em andamento; execução ignorada";
  static constexpr const char* kAtualizacaoIgnorada =
      "Verificação de atualização anterior ainda em andamento; execução ignorada";

  // `timeScale` multiplies every timer interval (tests shrink 40 minutes to a blink). Installs
  // the general error handler (ApplicationEvents1Exception) for the core's lifetime. Starts
  // Timer3.
  AgentCore(AgentComponents components, AgentView& view, double timeScale = 1.0,
            QObject* parent = nullptr);
  ~AgentCore() override;
  AgentCore(const AgentCore&) = delete;
  AgentCore& operator=(const AgentCore&) = delete;

  // The window's creation steps, in order; a failure ends them and goes to the error handlers.
  void FormCreate();
  // Settings section and trade name; the title and the extra folder follow. Throws.
  void CarregarConfiguracao();

  // The safety backup now (tmBackup's tick, the Backup command), with the extra folder's current
  // text; skipped with a log line while a run is in progress.
  void Image7Click();
  // The configured backup job ("Fazer Backup"), on its own worker; skipped likewise.
  void ExecutarBackupFtp();
  // TimerAtualizacao's work (and "update check now"): asks on a worker whether a newer version
  // is published and, when so, starts the update on this thread.
  void VerificarAtualizacao();
  // After a successful store ID consultation: re-reads idLoja and Matriz from the settings and
  // shows the ID in the title, with the trade name already loaded.
  void AplicarConsultaId();

  // The error log: "Erro de integração: " + message in the root log folder. Any thread.
  void ApplicationEvents1Exception(const std::string& message) const;

  // The extra-folder field's current text (the window passes every edit).
  void SetExtraFolder(const std::string& text) { FCaminhoExtraAtual = text; }
  [[nodiscard]] const std::string& ExtraFolder() const { return FCaminhoExtraAtual; }

  // Stops the timers and waits for running jobs, serving the window meanwhile. Commands and
  // ticks after it do nothing. Idempotent; the destructor calls it.
  void Shutdown();

  [[nodiscard]] int idLoja() const { return FidLoja; }
  [[nodiscard]] int Matriz() const { return FMatriz; }
  [[nodiscard]] const std::string& CaminhoExtra() const { return FCaminhoExtra; }
  [[nodiscard]] const std::string& Fantasia() const { return FFantasia; }
  [[nodiscard]] const TFuncoesIFood& Funcao() const { return FFuncao; }
  [[nodiscard]] bool BackupRunning() const { return FSafetyRun.Running(); }
  [[nodiscard]] bool BackupFtpRunning() const { return FConfiguredRun.Running(); }

  QTimer Timer3;
  QTimer TimerAtualizacao;
  QTimer tmBackup;

 signals:
  // A background job has ended (emitted on the core's thread).
  void JobFinished();
  // Emitted by the workers; queued to the core's thread, where they become JobFinished and the
  // start of the update.
  void JobEnded();
  void UpdatePublished();

 private:
  void Timer3Timer();
  void TimerAtualizacaoTimer();
  void StartUpdate();
  [[nodiscard]] bool AnyJobRunning() const;

  AgentComponents FComponents;
  AgentView& FView;
  TFuncoesIFood FFuncao;
  ErrorHandler FPreviousHandler;
  int FidLoja = -1;
  int FMatriz = -1;
  std::string FCaminhoExtra;       // as loaded from the settings
  std::string FCaminhoExtraAtual;  // as the field holds it now; each backup run takes this one
  std::string FFantasia;
  bool FShutDown = false;
  // Last members, so they are joined before anything their work uses goes away.
  BackgroundJob FSafetyRun;
  BackgroundJob FConfiguredRun;
  BackgroundJob FUpdateRun;
};
