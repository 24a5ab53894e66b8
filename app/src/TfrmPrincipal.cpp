#include "TfrmPrincipal.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QWindow>

#include "AutoStart.h"
#include "ClickableLabel.h"
#include "Pictures.h"
#include "ShellSettings.h"
#include "common/TFuncoesIFood.h"

namespace {

constexpr int kWidth = 943;
constexpr int kHeight = 740;
constexpr int kTitleHeight = 81;
constexpr int kBarWidth = 121;
constexpr int kLightSize = 33;
constexpr int kIconSize = 44;

const QString kGreenPanel = QStringLiteral("background-color: #008040; color: white;");

QString Q(const std::string& text) { return QString::fromStdString(text); }

ClickableLabel* Picture(QWidget* parent, const char* name, const QPixmap& pixmap) {
  auto* label = new ClickableLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setPixmap(pixmap);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

TfrmPrincipal::TfrmPrincipal(AgentComponents components, double timeScale, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      FTrayAvailable([] { return QSystemTrayIcon::isSystemTrayAvailable(); }) {
  setObjectName("frmPrincipal");
  setWindowTitle(QString::fromUtf8(AgentCore::kCaption));
  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  QFont font(QStringLiteral("Inter"));
  font.setPixelSize(13);
  setFont(font);
  setWindowIcon(TrayIconPicture());

  CreateTitleBar();
  CreateCommandBar();
  CreateLogPane();
  CreateBackupPanel();
  CreateTrayIcon();
  CreateCommandMenu();
  FLogPane = std::make_unique<MemoProgressView>(MemoLogs);
  FLights = std::make_unique<WidgetConnectionLights>(green, red);
  FCore = std::make_unique<AgentCore>(components, static_cast<AgentView&>(*this), timeScale);
  CreateConnections();

  // Centred on the screen it opens on.
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  FormCreate();
}

TfrmPrincipal::~TfrmPrincipal() { Shutdown(); }

void TfrmPrincipal::CreateTitleBar() {
  panelTitulo = new QLabel(QStringLiteral("ID"), this);
  panelTitulo->setObjectName("panelTitulo");
  panelTitulo->setGeometry(0, 0, kWidth, kTitleHeight);
  panelTitulo->setAutoFillBackground(true);
  panelTitulo->setStyleSheet(kGreenPanel);
  QFont titleFont(QStringLiteral("Inter"));
  titleFont.setPixelSize(27);
  panelTitulo->setFont(titleFont);
  panelTitulo->setTextFormat(Qt::PlainText);
  panelTitulo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Dragging the bar moves the window, which has no frame of its own.
  panelTitulo->installEventFilter(this);

  Image4 = Picture(panelTitulo, "Image4", DrawLogo(64));
  Image4->setGeometry(0, 0, kBarWidth, kTitleHeight);

  Image6 = Picture(panelTitulo, "Image6", DrawMinimise(24));
  Image6->setGeometry(kWidth - 40, 8, 32, 32);
  Image6->setCursor(Qt::PointingHandCursor);

  green = Picture(panelTitulo, "green", DrawLight(kLightSize, true));
  red = Picture(panelTitulo, "red", DrawLight(kLightSize, false));
  for (QLabel* light : {green, red}) {
    // Both lights lie on the same spot; the backup shows one or the other.
    light->setGeometry(kWidth - 90, (kTitleHeight - kLightSize) / 2, kLightSize, kLightSize);
    light->hide();
  }

  labStart = new QLabel(panelTitulo);
  labStart->setObjectName("labStart");
  labStart->setGeometry(kWidth - 220, 50, 120, 20);
  labStart->hide();
}

void TfrmPrincipal::CreateCommandBar() {
  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(0, kTitleHeight, kBarWidth, kHeight - kTitleHeight);
  Panel1->setAttribute(Qt::WA_StyledBackground);
  Panel1->setStyleSheet(kGreenPanel);

  auto caption = [this](const char* name, const QString& text, int y) {
    auto* label = new ClickableLabel(text, Panel1);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(0, y, kBarWidth, 20);
    return label;
  };
  auto picture = [this](const char* name, const QPixmap& pixmap, int y) {
    ClickableLabel* label = Picture(Panel1, name, pixmap);
    label->setGeometry(0, y, kBarWidth, kIconSize + 8);
    return label;
  };

  Image1 = picture("Image1", DrawHome(kIconSize), 20);
  Label4 = caption("Label4", QStringLiteral("Inicio"), 72);
  Image8 = picture("Image8", DrawBackup(kIconSize), 120);
  Label5 = caption("Label5", QStringLiteral("Backup"), 172);
  Image7 = picture("Image7", DrawSettings(kIconSize), 220);
  Label6 = caption("Label6", QStringLiteral("Configurar"), 272);
  Image2 = picture("Image2", DrawPower(kIconSize), 320);
  labAuto = caption("labAuto", QStringLiteral("Auto Start"), 372);
  for (ClickableLabel* command : {Image8, Image7, Label6, Image2}) {
    command->setCursor(Qt::PointingHandCursor);
  }

  labVersao = new QLabel(Panel1);
  labVersao->setObjectName("labVersao");
  labVersao->setAlignment(Qt::AlignCenter);
  labVersao->setGeometry(0, Panel1->height() - 32, kBarWidth, 20);
}

void TfrmPrincipal::CreateLogPane() {
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(kBarWidth + 8, kTitleHeight + 8, kWidth - kBarWidth - 16,
                            kHeight - kTitleHeight - 16);
  TabLogs = new QWidget;
  TabLogs->setObjectName("TabLogs");
  MemoLogs = new QPlainTextEdit(TabLogs);
  MemoLogs->setObjectName("MemoLogs");
  MemoLogs->setReadOnly(true);
  MemoLogs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoLogs->setLineWrapMode(QPlainTextEdit::NoWrap);
  PageControl1->addTab(TabLogs, QStringLiteral("Backups Logs"));
  MemoLogs->setGeometry(TabLogs->rect());
  TabLogs->installEventFilter(this);  // the memo fills the tab
}

void TfrmPrincipal::CreateBackupPanel() {
  painelBackup = new QWidget(this);
  painelBackup->setObjectName("painelBackup");
  painelBackup->setAttribute(Qt::WA_StyledBackground);
  painelBackup->setStyleSheet(
      QStringLiteral("#painelBackup { background-color: white; border: 1px solid #008040; }"));
  constexpr int kPanelWidth = 417;
  constexpr int kPanelHeight = 177;
  const QRect centre = PageControl1->geometry();
  painelBackup->setGeometry(centre.center().x() - kPanelWidth / 2,
                            centre.center().y() - kPanelHeight / 2, kPanelWidth, kPanelHeight);

  Panel3 = new QLabel(QStringLiteral("Configurar backup"), painelBackup);
  Panel3->setObjectName("Panel3");
  Panel3->setGeometry(0, 0, kPanelWidth, 36);
  Panel3->setAlignment(Qt::AlignCenter);
  Panel3->setStyleSheet(kGreenPanel);

  Edit1 = new QLineEdit(painelBackup);
  Edit1->setObjectName("Edit1");
  Edit1->setGeometry(16, 56, kPanelWidth - 32, 30);

  Button1 = new QPushButton(QStringLiteral("Selecionar caminho"), painelBackup);
  Button1->setObjectName("Button1");
  Button1->setGeometry(16, 112, 185, 40);
  Button2 = new QPushButton(QStringLiteral("Salvar"), painelBackup);
  Button2->setObjectName("Button2");
  Button2->setGeometry(kPanelWidth - 16 - 185, 112, 185, 40);
  painelBackup->hide();
}

void TfrmPrincipal::CreateTrayIcon() {
  TrayIcon1 = new QSystemTrayIcon(TrayIconPicture(), this);
  TrayIcon1->setObjectName("TrayIcon1");
  TrayIcon1->setToolTip(QCoreApplication::applicationName());
  TrayIcon1->show();
}

void TfrmPrincipal::CreateCommandMenu() {
  menuComandos = new QMenu(this);
  menuComandos->setObjectName("menuComandos");
  btnBkp = menuComandos->addAction(QStringLiteral("Fazer Backup"));
  btnBkp->setObjectName("btnBkp");
  SpeedButton1 = menuComandos->addAction(QStringLiteral("Reiniciar"));
  SpeedButton1->setObjectName("SpeedButton1");
  menuComandos->addSeparator();
  dxBarLargeButton4 = menuComandos->addAction(QStringLiteral("Sair"));
  dxBarLargeButton4->setObjectName("dxBarLargeButton4");
  TrayIcon1->setContextMenu(menuComandos);
  Panel1->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TfrmPrincipal::CreateConnections() {
  auto bind = [this](auto* sender, auto signal, void (TfrmPrincipal::*command)()) {
    connect(sender, signal, this,
            [this, command] { Guarded([this, command] { (this->*command)(); }); });
  };
  bind(Image8, &ClickableLabel::clicked, &TfrmPrincipal::Image7Click);
  bind(Image7, &ClickableLabel::clicked, &TfrmPrincipal::Label6Click);
  bind(Label6, &ClickableLabel::clicked, &TfrmPrincipal::Label6Click);
  bind(Image2, &ClickableLabel::clicked, &TfrmPrincipal::AlternarInicioAutomatico);
  bind(Image6, &ClickableLabel::clicked, &TfrmPrincipal::Image6Click);
  bind(Button1, &QPushButton::clicked, &TfrmPrincipal::Button1Click);
  bind(Button2, &QPushButton::clicked, &TfrmPrincipal::Button2Click);
  bind(btnBkp, &QAction::triggered, &TfrmPrincipal::ExecutarBackupFtp);
  bind(SpeedButton1, &QAction::triggered, &TfrmPrincipal::btnConfigClick);
  bind(dxBarLargeButton4, &QAction::triggered, &TfrmPrincipal::dxBarLargeButton4Click);
  connect(TrayIcon1, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
              Guarded([this] { TrayIcon1Click(); });
            }
          });
  connect(Panel1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { menuComandos->popup(Panel1->mapToGlobal(at)); });
  connect(Edit1, &QLineEdit::textChanged, this,
          [this](const QString& text) { FCore->SetExtraFolder(text.toStdString()); });
}

void TfrmPrincipal::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (...) {
    HandleUnhandledException(std::current_exception());
  }
}

// --- Operations --------------------------------------------------------------------------

void TfrmPrincipal::FormCreate() { FCore->FormCreate(); }

void TfrmPrincipal::CarregarConfiguracao() { FCore->CarregarConfiguracao(); }

void TfrmPrincipal::Image7Click() { FCore->Image7Click(); }

void TfrmPrincipal::Label6Click() {
  painelBackup->show();
  painelBackup->raise();
}

void TfrmPrincipal::Button1Click() {
  const QString folder = QFileDialog::getExistingDirectory(this, QString(), Edit1->text());
  if (!folder.isEmpty()) Edit1->setText(folder);
}

void TfrmPrincipal::Button2Click() {
  WriteCaminhoExtra(Edit1->text().toStdString());
  painelBackup->hide();
}

void TfrmPrincipal::AlternarInicioAutomatico() {
  labAuto->setText(Q(::AlternarInicioAutomatico(labAuto->text().toStdString(), FCore->Funcao())));
}

void TfrmPrincipal::Image6Click() { MinimizeToTray(); }

void TfrmPrincipal::TrayIcon1Click() {
  TrayIcon1->hide();
  FInTray = false;
  showNormal();
  raise();
  activateWindow();
}

void TfrmPrincipal::btnConfigClick() { TFuncoesIFood::ReiniciarAplicacao(); }

void TfrmPrincipal::ExecutarBackupFtp() { FCore->ExecutarBackupFtp(); }

void TfrmPrincipal::Button3Click() { FCore->VerificarAtualizacao(); }

void TfrmPrincipal::dxBarLargeButton4Click() { close(); }

void TfrmPrincipal::AplicarConsultaId() { FCore->AplicarConsultaId(); }

void TfrmPrincipal::BringToFront() {
  if (FInTray || isHidden()) {
    TrayIcon1Click();
  } else {
    showNormal();
    raise();
    activateWindow();
  }
}

void TfrmPrincipal::SetTrayAvailability(std::function<bool()> available) {
  FTrayAvailable = std::move(available);
}

void TfrmPrincipal::Shutdown() {
  if (FCore) FCore->Shutdown();
}

// --- AgentView -----------------------------------------------------------------------------

void TfrmPrincipal::ShowVersion(const std::string& text) { labVersao->setText(Q(text)); }

void TfrmPrincipal::ShowAutoStart(const std::string& text) { labAuto->setText(Q(text)); }

void TfrmPrincipal::ShowStartLabel(const std::string& text) { labStart->setText(Q(text)); }

void TfrmPrincipal::ShowTitle(const std::string& text) { panelTitulo->setText(Q(text)); }

void TfrmPrincipal::ShowExtraFolder(const std::string& folder) { Edit1->setText(Q(folder)); }

void TfrmPrincipal::SelectLogTab() { PageControl1->setCurrentWidget(TabLogs); }

void TfrmPrincipal::MinimizeToTray() {
  if (!FTrayAvailable()) {
    // Without a notification area a hidden window could never come back: keep it on the
    // taskbar instead.
    showMinimized();
    return;
  }
  hide();
  FInTray = true;
  TrayIcon1->show();
  // The balloon has no title and no text.
  TrayIcon1->showMessage(QString(), QString());
}

// --- Events --------------------------------------------------------------------------------

void TfrmPrincipal::MinimizeIfStillMinimized() {
  if (isMinimized()) Guarded([this] { MinimizeToTray(); });
}

void TfrmPrincipal::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && FTrayAvailable()) {
    // The platform's own minimise goes to the notification area too, once the state change is
    // complete.
    QMetaObject::invokeMethod(this, "MinimizeIfStillMinimized", Qt::QueuedConnection);
  }
}

void TfrmPrincipal::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program.
  event->accept();
  QCoreApplication::quit();
}

bool TfrmPrincipal::eventFilter(QObject* watched, QEvent* event) {
  if (watched == panelTitulo && event->type() == QEvent::MouseButtonPress) {
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() == Qt::LeftButton && windowHandle()) windowHandle()->startSystemMove();
  } else if (watched == TabLogs && event->type() == QEvent::Resize) {
    MemoLogs->setGeometry(TabLogs->rect());
  }
  return QWidget::eventFilter(watched, event);
}
