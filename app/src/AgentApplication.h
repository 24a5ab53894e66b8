#pragma once
// The application objects of the two modes. Nothing that escapes an event handler, a slot or a
// timer ends the agent: it goes to the error handlers (a database-engine error to its dialog,
// anything else to the "Erro de integração: " log line) and the loop goes on.

#include <QApplication>
#include <QCoreApplication>
#include <exception>

#include "common/UnhandledErrors.h"

template <class Base>
class GuardedApplication final : public Base {
 public:
  GuardedApplication(int& argc, char** argv) : Base(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return Base::notify(receiver, event);
    } catch (...) {
      HandleUnhandledException(std::current_exception());
      return false;
    }
  }
};

using AgentApplication = GuardedApplication<QApplication>;
using HeadlessApplication = GuardedApplication<QCoreApplication>;
