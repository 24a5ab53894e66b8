#include "MessageBoxes.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTranslator>
#include <cstring>

namespace {

struct ButtonText {
  QMessageBox::StandardButton Button;
  const char* Text;
};

// The standard-dialog table; "&Tudo" (All) has no Qt button of its own.
constexpr ButtonText kButtons[] = {
    {QMessageBox::Yes, "&Sim"},
    {QMessageBox::No, "&Não"},
    {QMessageBox::Ok, "OK"},
    {QMessageBox::Cancel, "Cancelar"},
    {QMessageBox::Help, "&Ajuda"},
    {QMessageBox::Abort, "&Abortar"},
    {QMessageBox::Retry, "&Repetir"},
    {QMessageBox::Ignore, "&Ignorar"},
    {QMessageBox::NoToAll, "N&ao para Tudo"},
    {QMessageBox::YesToAll, "Sim para &Tudo"},
    {QMessageBox::Close, "&Fechar"},
};

struct SourceText {
  const char* Source;
  const char* Text;
};

// Qt's own spellings of the same buttons (plain, with accelerators, and the GNOME theme's).
constexpr SourceText kSources[] = {
    {"&Yes", "&Sim"},
    {"Yes", "&Sim"},
    {"&No", "&Não"},
    {"No", "&Não"},
    {"OK", "OK"},
    {"&OK", "OK"},
    {"Cancel", "Cancelar"},
    {"&Cancel", "Cancelar"},
    {"&Help", "&Ajuda"},
    {"Help", "Ajuda"},
    {"Abort", "&Abortar"},
    {"&Abort", "&Abortar"},
    {"Retry", "&Repetir"},
    {"&Retry", "&Repetir"},
    {"Ignore", "&Ignorar"},
    {"&Ignore", "&Ignorar"},
    {"All", "&Tudo"},
    {"&All", "&Tudo"},
    {"N&o to All", "N&ao para Tudo"},
    {"Yes to &All", "Sim para &Tudo"},
    {"Close", "&Fechar"},
    {"&Close", "&Fechar"},
};

// Only the contexts in which Qt names its standard buttons; other texts keep their own.
constexpr const char* kContexts[] = {"QPlatformTheme", "QGnomeTheme", "QDialogButtonBox",
                                     "QMessageBox"};

class StandardDialogTranslator final : public QTranslator {
 public:
  using QTranslator::QTranslator;
  [[nodiscard]] bool isEmpty() const override { return false; }
  [[nodiscard]] QString translate(const char* context, const char* sourceText,
                                  const char* /*disambiguation*/, int /*n*/) const override {
    return TranslateStandardText(context, sourceText);
  }
};

QMessageBox::Icon IconOf(DialogKind kind) {
  switch (kind) {
    case DialogKind::Warning:
      return QMessageBox::Warning;
    case DialogKind::Error:
      return QMessageBox::Critical;
    case DialogKind::Information:
      return QMessageBox::Information;
    case DialogKind::Confirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QString DialogCaption(DialogKind kind) {
  switch (kind) {
    case DialogKind::Warning:
      return QStringLiteral("Atenção");
    case DialogKind::Error:
      return QStringLiteral("Erro");
    case DialogKind::Information:
      return QStringLiteral("Informação");
    case DialogKind::Confirmation:
      return QStringLiteral("Confirmação");
  }
  return {};
}

QString DialogButtonText(QMessageBox::StandardButton button) {
  for (const ButtonText& b : kButtons) {
    if (b.Button == button) return QString::fromUtf8(b.Text);
  }
  return {};
}

std::unique_ptr<QMessageBox> MakeMessageBox(DialogKind kind, const QString& text,
                                            QMessageBox::StandardButtons buttons, QWidget* parent) {
  auto box =
      std::make_unique<QMessageBox>(IconOf(kind), DialogCaption(kind), text, buttons, parent);
  // Plain text: an engine's or server's message is shown as it came, never as markup.
  box->setTextFormat(Qt::PlainText);
  for (const ButtonText& b : kButtons) {
    if (QAbstractButton* button = box->button(b.Button)) button->setText(QString::fromUtf8(b.Text));
  }
  return box;
}

QString TranslateStandardText(const char* context, const char* sourceText) {
  if (!context || !sourceText) return {};
  bool known = false;
  for (const char* c : kContexts) known = known || std::strcmp(c, context) == 0;
  if (!known) return {};
  for (const SourceText& s : kSources) {
    if (std::strcmp(s.Source, sourceText) == 0) return QString::fromUtf8(s.Text);
  }
  return {};
}

// NOLINTBEGIN(clang-analyzer-cplusplus.NewDeleteLeaks): the application object owns it.
void InstallStandardDialogTexts() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || app->findChild<StandardDialogTranslator*>(QString(), Qt::FindDirectChildrenOnly)) {
    return;
  }
  QCoreApplication::installTranslator(new StandardDialogTranslator(app));
}
// NOLINTEND(clang-analyzer-cplusplus.NewDeleteLeaks)
