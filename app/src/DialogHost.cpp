#include "DialogHost.h"

#include "MessageBoxes.h"

bool DialogHost::Ask(const QString& text) {
  auto box = MakeMessageBox(DialogKind::Confirmation, text, QMessageBox::Yes | QMessageBox::No);
  return box->exec() == QMessageBox::Yes;
}

void DialogHost::ShowError(const QString& text) {
  // The same failure repeated by every tick while nobody is at the machine adds no box.
  if (FOpenErrors.contains(text)) return;
  QMessageBox* box = MakeMessageBox(DialogKind::Error, text, QMessageBox::Ok).release();
  box->setAttribute(Qt::WA_DeleteOnClose);
  FOpenErrors.insert(text);
  connect(box, &QObject::destroyed, this, [this, text] { FOpenErrors.remove(text); });
  box->show();
  box->raise();
  box->activateWindow();
}
