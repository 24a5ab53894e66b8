#pragma once
// The window's end of QtUserInterface: the confirmation and error boxes, shown on the window's
// thread whichever thread asked (private to QtUserInterface).

#include <QObject>
#include <QSet>
#include <QString>

class DialogHost final : public QObject {
  Q_OBJECT

 public:
  Q_INVOKABLE bool Ask(const QString& text);
  Q_INVOKABLE void ShowError(const QString& text);

 private:
  QSet<QString> FOpenErrors;  // texts of the error boxes on screen
};
