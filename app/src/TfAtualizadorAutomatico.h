#pragma once
// The updater's window, "Atualizador Automático": a strip at the top, the status line, the
// download's progress bar, and a notification-area icon for the run's balloons. The class-level
// operations check for a newer version and open the window, which starts one update run on the
// update library's worker; the window only shows what the run reports and closes at its end
// (in background mode after the balloon's time).
//
//   if (TfAtualizadorAutomatico::ExisteAtualizacao())
//     TfAtualizadorAutomatico::AtualizarVersao(runner, false);

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>

#include "update/UpdateRun.h"
#include "update/UpdateRunner.h"

class QLabel;
class QProgressBar;
class QSystemTrayIcon;
class QWidget;

class TfAtualizadorAutomatico final : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kTituloBalao = "Atualização do Sistema";
  static constexpr int kTempoBalaoMs = 5000;

  // --- Class-level operations (the update library's) -----------------------------------------
  [[nodiscard]] static std::string GetVersaoExecutavelAtual();
  [[nodiscard]] static std::string GetVersaoExecutavelSite();
  [[nodiscard]] static bool VersaoDesatualizada(const std::string& VersaoAtual,
                                                const std::string& VersaoRequerida);
  // Throws EConvertError when the host could not be asked or published no valid version.
  [[nodiscard]] static bool ExisteAtualizacao();
  // Frees a window that exists, opens a new one and starts its update run on `runner`. The run
  // is always a background one: the foreground restart is left to ExecutarAtualizacao(false).
  // On the user-interface thread; never throws.
  static void AtualizarVersao(UpdateRunner& runner, bool emSegundoPlano,
                              UpdateSettings settings = UpdateSettings::FromDeployment());

  // The open window (empty while none exists).
  static QPointer<TfAtualizadorAutomatico> fAtualizadorAutomatico;

  TfAtualizadorAutomatico(UpdateRunner& runner, UpdateSettings settings, QWidget* parent = nullptr);
  ~TfAtualizadorAutomatico() override;
  TfAtualizadorAutomatico(const TfAtualizadorAutomatico&) = delete;
  TfAtualizadorAutomatico& operator=(const TfAtualizadorAutomatico&) = delete;

  // Starts this window's run (once: later calls, such as each activation, do nothing).
  void ExecutarAtualizacao(bool emSegundoPlano);
  // Shows the balloon with the title "Atualização do Sistema", without waiting for it.
  void ShowBalloonHint(const QString& mensagem);
  // The download's progress: the bar's maximum is the total, its position what arrived.
  void URL_OnDownloadProgress(qint64 recebidos, qint64 total);
  // The run has ended: closes now, or after the balloon's time when the update is in place.
  void RunFinished(UpdateOutcome outcome);

  [[nodiscard]] bool RunStarted() const { return FStarted; }

  // What the run reported and the window has not shown yet (filled on the run's thread).
  struct Mailbox;

  QWidget* pnTopo = nullptr;
  QLabel* lbStatus = nullptr;
  QProgressBar* pbDownload = nullptr;
  QSystemTrayIcon* TrayIconAtualizacao = nullptr;

 protected:
  bool event(QEvent* e) override;

 private:
  // Shows what the run reported since the last look.
  void ReadMailbox();

  UpdateRunner& FRunner;
  UpdateSettings FSettings;
  bool FStarted = false;
  // Shared with the run's view, which outlives a window closed early; the run never calls into
  // Qt, so nothing it does can race with the window going away.
  std::shared_ptr<Mailbox> FMailbox;
  QTimer FMailTimer;
  QTimer FCloseTimer;  // the balloon's time after a successful run
};
