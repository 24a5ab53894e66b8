#pragma once
// The agent's message boxes, with the Portuguese captions and button texts of the standard
// dialogs ("&Sim", "&Não", "Cancelar", "Atenção"...), whatever language the platform speaks.
// Every box the agent shows is made here. InstallStandardDialogTexts gives Qt's own dialogs
// (the folder picker, button boxes) the same button texts.

#include <QMessageBox>
#include <QString>
#include <memory>

// The kinds of standard box, each with its caption.
enum class DialogKind { Warning, Error, Information, Confirmation };

QString DialogCaption(DialogKind kind);
// The Portuguese text of a standard button; empty for a button the table does not name.
QString DialogButtonText(QMessageBox::StandardButton button);

// A box of the given kind with its caption, icon, text and buttons, not yet shown.
std::unique_ptr<QMessageBox> MakeMessageBox(DialogKind kind, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QWidget* parent = nullptr);

// Installs (once per application) the translator of the standard button texts.
void InstallStandardDialogTexts();
// The Portuguese text for one of Qt's standard texts, or a null QString when it has none.
QString TranslateStandardText(const char* context, const char* sourceText);
