#pragma once
// The agent's main window: the title bar with the trade name and the FTP lights, the left command
// bar, the log pane, the extra-folder panel and the notification-area icon. It shows for three
// seconds after start, then lives as the icon; a click on the icon brings it back. Its timers
// and jobs live in AgentCore, which the window drives and which writes into its widgets through
// AgentView. The widgets carry the system's names as object names.
//
//   TfrmPrincipal frm(components);   // builds the window and runs FormCreate
//   frm.show();

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "AgentCore.h"
#include "WindowViews.h"

class ClickableLabel;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;
class QTabWidget;
class QAction;

class TfrmPrincipal final : public QWidget, private AgentView {
  Q_OBJECT

 public:
  explicit TfrmPrincipal(AgentComponents components, double timeScale = 1.0,
                         QWidget* parent = nullptr);
  ~TfrmPrincipal() override;
  TfrmPrincipal(const TfrmPrincipal&) = delete;
  TfrmPrincipal& operator=(const TfrmPrincipal&) = delete;

  // --- The window's operations -----------------------------------------------------------
  void FormCreate();
  void CarregarConfiguracao();
  void Image7Click();   // safety backup now
  void Label6Click();   // shows the extra-folder panel
  void Button1Click();  // folder picker into Edit1
  void Button2Click();  // saves the extra folder and hides the panel
  void AlternarInicioAutomatico();
  void Image6Click();     // minimise to the notification area
  void TrayIcon1Click();  // restore from it
  void btnConfigClick();  // restart
  void ExecutarBackupFtp();
  void Button3Click();            // update check now
  void dxBarLargeButton4Click();  // "Sair": closes the window, which ends the program
  // After a successful store ID consultation (the store ID command).
  void AplicarConsultaId();

  // A second start asked for this window: it comes back from the notification area and to the
  // front.
  void BringToFront();

  // The tray check the minimise uses (tests replace it: the offscreen platform has no tray).
  void SetTrayAvailability(std::function<bool()> available);
  // Waits for running jobs; the application calls it when its loop has ended.
  void Shutdown();

  [[nodiscard]] AgentCore& Core() { return *FCore; }
  [[nodiscard]] bool InTray() const { return FInTray; }

  // --- Components ---------------------------------------------------------------------------
  QLabel* panelTitulo = nullptr;
  QLabel* Image4 = nullptr;
  ClickableLabel* Image6 = nullptr;
  QLabel* green = nullptr;
  QLabel* red = nullptr;
  QLabel* labStart = nullptr;
  QWidget* Panel1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label4 = nullptr;
  ClickableLabel* Image8 = nullptr;
  QLabel* Label5 = nullptr;
  ClickableLabel* Image7 = nullptr;
  ClickableLabel* Label6 = nullptr;
  ClickableLabel* Image2 = nullptr;
  QLabel* labAuto = nullptr;
  QLabel* labVersao = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabLogs = nullptr;
  QPlainTextEdit* MemoLogs = nullptr;
  QWidget* painelBackup = nullptr;
  QLabel* Panel3 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QSystemTrayIcon* TrayIcon1 = nullptr;
  // The commands that have no place on the bars, offered on the icon's and the bar's menu.
  QMenu* menuComandos = nullptr;
  QAction* btnBkp = nullptr;
  QAction* SpeedButton1 = nullptr;
  QAction* dxBarLargeButton4 = nullptr;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // AgentView
  void ShowVersion(const std::string& text) override;
  void ShowAutoStart(const std::string& text) override;
  void ShowStartLabel(const std::string& text) override;
  void ShowTitle(const std::string& text) override;
  void ShowExtraFolder(const std::string& folder) override;
  void SelectLogTab() override;
  void MinimizeToTray() override;
  ProgressView* LogPane() override { return FLogPane.get(); }
  ConnectionLights* Lights() override { return FLights.get(); }

  Q_INVOKABLE void MinimizeIfStillMinimized();
  void CreateTitleBar();
  void CreateCommandBar();
  void CreateLogPane();
  void CreateBackupPanel();
  void CreateTrayIcon();
  void CreateCommandMenu();
  void CreateConnections();
  // A command's boundary: what it throws goes to the error handlers, never into Qt.
  void Guarded(const std::function<void()>& command);

  std::function<bool()> FTrayAvailable;
  bool FInTray = false;
  std::unique_ptr<MemoProgressView> FLogPane;
  std::unique_ptr<WidgetConnectionLights> FLights;
  // After the views: destroyed first, so its jobs end before the views they write to go.
  std::unique_ptr<AgentCore> FCore;
};
