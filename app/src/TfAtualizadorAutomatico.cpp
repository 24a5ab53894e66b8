#include "TfAtualizadorAutomatico.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <climits>
#include <mutex>
#include <utility>
#include <vector>

#include "Pictures.h"
#include "common/TFuncoesIFood.h"
#include "update/Updater.h"

namespace {

constexpr int kWidth = 325;
constexpr int kHeight = 87;

// How often the window looks at what the run reported.
constexpr int kMailIntervalMs = 50;

}  // namespace

struct TfAtualizadorAutomatico::Mailbox {
  struct Event {
    enum class Kind { Balloon, Progress, Finished } kind;
    QString text;
    qint64 recebidos = 0;
    qint64 total = 0;
    UpdateOutcome outcome = UpdateOutcome::Falhou;
  };
  std::mutex mutex;
  std::vector<Event> events;  // guarded by mutex

  void Put(Event event) {
    const std::lock_guard lock(mutex);
    // Only the latest progress matters; a download reports far more often than the bar repaints.
    if (event.kind == Event::Kind::Progress && !events.empty() &&
        events.back().kind == Event::Kind::Progress && event.total == events.back().total) {
      events.back() = std::move(event);
      return;
    }
    events.push_back(std::move(event));
  }
  std::vector<Event> Take() {
    const std::lock_guard lock(mutex);
    return std::exchange(events, {});
  }
};

namespace {

// The run's view: it only leaves what it reports in the mailbox.
class WindowUpdateView final : public UpdateView {
 public:
  using Mailbox = TfAtualizadorAutomatico::Mailbox;
  using Kind = Mailbox::Event::Kind;

  explicit WindowUpdateView(std::shared_ptr<Mailbox> mailbox) : FMailbox(std::move(mailbox)) {}

  void ShowBalloonHint(const std::string& mensagem) override {
    FMailbox->Put({Kind::Balloon, QString::fromStdString(mensagem), 0, 0, UpdateOutcome::Falhou});
  }
  void DownloadProgress(std::int64_t recebidos, std::int64_t total) override {
    FMailbox->Put({Kind::Progress, QString(), recebidos, total, UpdateOutcome::Falhou});
  }
  void RunFinished(UpdateOutcome outcome) override {
    FMailbox->Put({Kind::Finished, QString(), 0, 0, outcome});
  }

 private:
  std::shared_ptr<Mailbox> FMailbox;
};

}  // namespace

QPointer<TfAtualizadorAutomatico> TfAtualizadorAutomatico::fAtualizadorAutomatico;

std::string TfAtualizadorAutomatico::GetVersaoExecutavelAtual() {
  return Updater::GetVersaoExecutavelAtual();
}

std::string TfAtualizadorAutomatico::GetVersaoExecutavelSite() {
  return Updater::GetVersaoExecutavelSite();
}

bool TfAtualizadorAutomatico::VersaoDesatualizada(const std::string& VersaoAtual,
                                                  const std::string& VersaoRequerida) {
  return Updater::VersaoDesatualizada(VersaoAtual, VersaoRequerida);
}

bool TfAtualizadorAutomatico::ExisteAtualizacao() { return Updater::ExisteAtualizacao(); }

void TfAtualizadorAutomatico::AtualizarVersao(UpdateRunner& runner, bool /*emSegundoPlano*/,
                                              UpdateSettings settings) {
  try {
    if (UpdateRunner::AtualizacaoEmAndamento()) {
      // The window of the run in progress stays; a second run would be refused anyway.
      TFuncoesIFood().GravarLog(UpdateRunner::kAtualizacaoIgnorada);
      if (fAtualizadorAutomatico) fAtualizadorAutomatico->raise();
      return;
    }
    delete fAtualizadorAutomatico.data();
    auto* window = new TfAtualizadorAutomatico(runner, std::move(settings));
    fAtualizadorAutomatico = window;
    window->show();
    // Started here rather than waiting for the window to become active: a desktop that keeps
    // new windows from taking the focus would otherwise never update.
    window->ExecutarAtualizacao(true);
  } catch (const std::exception& e) {
    TFuncoesIFood().GravarLog(std::string("Falha ao abrir o atualizador: ") + e.what());
  } catch (...) {
    TFuncoesIFood().GravarLog("Falha ao abrir o atualizador");
  }
}

TfAtualizadorAutomatico::TfAtualizadorAutomatico(UpdateRunner& runner, UpdateSettings settings,
                                                 QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      FRunner(runner),
      FSettings(std::move(settings)) {
  setObjectName("fAtualizadorAutomatico");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Atualizador Automático"));
  setFixedSize(kWidth, kHeight);
  setWindowIcon(TrayIconPicture());

  pnTopo = new QWidget(this);
  pnTopo->setObjectName("pnTopo");
  pnTopo->setGeometry(0, 0, kWidth, 8);
  pnTopo->setAutoFillBackground(true);
  QPalette strip = pnTopo->palette();
  strip.setColor(QPalette::Window, kVerdeCorvatec);
  pnTopo->setPalette(strip);

  lbStatus = new QLabel(QStringLiteral("Aguarde o download da atualização..."), this);
  lbStatus->setObjectName("lbStatus");
  QFont bold = lbStatus->font();
  bold.setBold(true);
  lbStatus->setFont(bold);
  lbStatus->setGeometry(12, 20, kWidth - 24, 20);

  pbDownload = new QProgressBar(this);
  pbDownload->setObjectName("pbDownload");
  pbDownload->setGeometry(12, 48, kWidth - 24, 22);
  pbDownload->setRange(0, 100);
  pbDownload->setValue(0);

  TrayIconAtualizacao = new QSystemTrayIcon(TrayIconPicture(), this);
  TrayIconAtualizacao->setObjectName("TrayIconAtualizacao");

  FMailTimer.setInterval(kMailIntervalMs);
  connect(&FMailTimer, &QTimer::timeout, this, &TfAtualizadorAutomatico::ReadMailbox);
  FCloseTimer.setSingleShot(true);
  FCloseTimer.setInterval(kTempoBalaoMs);
  connect(&FCloseTimer, &QTimer::timeout, this, &QWidget::close);

  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TfAtualizadorAutomatico::~TfAtualizadorAutomatico() = default;

void TfAtualizadorAutomatico::ExecutarAtualizacao(bool emSegundoPlano) {
  if (FStarted) return;
  FStarted = true;
  FMailbox = std::make_shared<Mailbox>();
  // A refused start (another run in progress) leaves nothing for this window to show.
  if (!FRunner.ExecutarAtualizacao(emSegundoPlano, std::make_shared<WindowUpdateView>(FMailbox),
                                   FSettings)) {
    close();
    return;
  }
  FMailTimer.start();
}

void TfAtualizadorAutomatico::ReadMailbox() {
  using Kind = Mailbox::Event::Kind;
  for (const Mailbox::Event& e : FMailbox->Take()) {
    switch (e.kind) {
      case Kind::Balloon:
        ShowBalloonHint(e.text);
        break;
      case Kind::Progress:
        URL_OnDownloadProgress(e.recebidos, e.total);
        break;
      case Kind::Finished:
        FMailTimer.stop();
        RunFinished(e.outcome);
        break;
    }
  }
}

void TfAtualizadorAutomatico::ShowBalloonHint(const QString& mensagem) {
  TrayIconAtualizacao->setVisible(true);
  TrayIconAtualizacao->showMessage(QString::fromUtf8(kTituloBalao), mensagem,
                                   QSystemTrayIcon::Information, kTempoBalaoMs);
}

void TfAtualizadorAutomatico::URL_OnDownloadProgress(qint64 recebidos, qint64 total) {
  if (total < 0) {
    // Before the download, and for a size the server did not announce.
    pbDownload->setRange(0, recebidos == 0 ? 100 : 0);
    pbDownload->setValue(0);
    return;
  }
  // The bar counts in int: large sizes are shown in coarser units.
  int shift = 0;
  while ((total >> shift) > INT_MAX) ++shift;
  pbDownload->setRange(0, static_cast<int>(total >> shift));
  pbDownload->setValue(static_cast<int>(recebidos >> shift));
}

void TfAtualizadorAutomatico::RunFinished(UpdateOutcome outcome) {
  if (outcome == UpdateOutcome::Atualizado) {
    // The balloon belongs to this window's icon: it stays up for its time.
    FCloseTimer.start();
  } else {
    close();
  }
}

bool TfAtualizadorAutomatico::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) ExecutarAtualizacao(true);
  return QDialog::event(e);
}
