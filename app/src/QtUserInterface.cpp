#include "QtUserInterface.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QThread>

#include "DialogHost.h"
#include "MessageBoxes.h"
#include "common/TFuncoesIFood.h"

bool OnApplicationThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

namespace {

void QueueQuit() {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(app, "quit", Qt::QueuedConnection);
  }
}

}  // namespace

QtUserInterface::QtUserInterface() : FHost(std::make_unique<DialogHost>()) {}

QtUserInterface::~QtUserInterface() = default;

bool QtUserInterface::Confirm(const std::string& message) {
  const QString text = QString::fromStdString(message);
  if (OnApplicationThread()) return FHost->Ask(text);
  bool answer = false;
  QMetaObject::invokeMethod(FHost.get(), "Ask", Qt::BlockingQueuedConnection,
                            Q_RETURN_ARG(bool, answer), Q_ARG(QString, text));
  return answer;
}

void QtUserInterface::ShowError(const std::string& message) {
  const QString text = QString::fromStdString(message);
  if (OnApplicationThread()) {
    FHost->ShowError(text);
  } else {
    QMetaObject::invokeMethod(FHost.get(), "ShowError", Qt::QueuedConnection, Q_ARG(QString, text));
  }
}

void QtUserInterface::TranslateStandardDialogs() { InstallStandardDialogTexts(); }

void QtUserInterface::ProcessEvents() {
  // A worker has no window to keep alive; the window's thread is free while it works.
  if (OnApplicationThread()) QCoreApplication::processEvents();
}

void QtUserInterface::RequestQuit() { QueueQuit(); }

bool HeadlessUserInterface::Confirm(const std::string&) { return false; }

void HeadlessUserInterface::ShowError(const std::string& message) {
  TFuncoesIFood().GravarLog(message);
}

void HeadlessUserInterface::RequestQuit() { QueueQuit(); }
