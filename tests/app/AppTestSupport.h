#pragma once
// Support for the window's tests: stand-ins for the jobs the timers start (recording what they
// were given, and able to hold a run open), waiting on a condition while Qt's events are
// processed, the root log's messages, and the message boxes on screen.

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "AgentJobs.h"
#include "common/ProgressView.h"
#include "common/platform/Paths.h"
#include "harness/Harness.h"

// Polls `condition` with Qt's events processed between polls, until it holds or the deadline.
inline bool WaitForQt(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
  return harness::WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        return condition();
      },
      deadline);
}

// Lets Qt deliver what is already queued (posted events, queued calls).
inline void DrainEvents() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// The messages of today's root log file, without their time stamps.
inline std::vector<std::string> RootLogMessages() {
  std::vector<std::string> messages;
  const auto dir = platform::InWorkingDir("LOGS");
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".txt") continue;
    for (const std::string& line : harness::ReadLines(entry.path())) {
      messages.push_back(line.size() >= 22 ? line.substr(22) : line);  // "yyyy-mm-dd hh:mm:ss - "
    }
  }
  return messages;
}

inline int CountMessages(const std::string& message) {
  int n = 0;
  for (const std::string& m : RootLogMessages()) n += m == message ? 1 : 0;
  return n;
}

// Message boxes shown at the moment.
inline std::vector<QMessageBox*> VisibleMessageBoxes() {
  std::vector<QMessageBox*> boxes;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes.push_back(box);
  }
  return boxes;
}

inline void CloseMessageBoxes() {
  for (QMessageBox* box : VisibleMessageBoxes()) box->close();
  DrainEvents();
}

// Handles the next modal dialog of type T once it is up (inside its own event loop), with
// `handle`, which closes it. Polls on a timer, so it also works when the dialog is opened by a
// queued call.
template <class T>
void HandleNextModal(std::function<void(T*)> handle) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, handle = std::move(handle)] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      handle(dialog);
    }
  });
  poll->start(5);
}

// A run of a job that the test can keep open, to see what happens meanwhile.
class Gate {
 public:
  void Hold() {
    std::lock_guard lock(FMutex);
    FHeld = true;
  }
  void Release() {
    {
      std::lock_guard lock(FMutex);
      FHeld = false;
    }
    FChanged.notify_all();
  }
  // Called by the job: marks it inside, then waits while the gate is held.
  void Pass() {
    std::unique_lock lock(FMutex);
    ++FInside;
    FChanged.wait(lock, [this] { return !FHeld; });
    --FInside;
  }
  [[nodiscard]] bool SomeoneInside() {
    std::lock_guard lock(FMutex);
    return FInside > 0;
  }

 private:
  std::mutex FMutex;
  std::condition_variable FChanged;
  bool FHeld = false;
  int FInside = 0;
};

class SafetyBackupStandIn final : public SafetyBackupJob {
 public:
  void Run(const std::string& extraFolder, ProgressView* logPane,
           ConnectionLights* lights) override {
    {
      std::lock_guard lock(FMutex);
      FFolders.push_back(extraFolder);
    }
    if (logPane) logPane->Clear();
    if (lights) lights->SetRedVisible(true);
    if (during) during(logPane, lights);
    gate.Pass();
    if (lights) {
      lights->SetGreenVisible(true);
      lights->SetRedVisible(false);
    }
  }
  [[nodiscard]] std::vector<std::string> Folders() const {
    std::lock_guard lock(FMutex);
    return FFolders;
  }
  [[nodiscard]] int Runs() const { return static_cast<int>(Folders().size()); }

  Gate gate;
  // What a run does after clearing the pane (write lines, throw...), on the worker thread.
  std::function<void(ProgressView*, ConnectionLights*)> during;

 private:
  mutable std::mutex FMutex;
  std::vector<std::string> FFolders;
};

class ConfiguredBackupStandIn final : public ConfiguredBackupJob {
 public:
  void Run(ProgressView* logPane) override {
    ++runs;
    InserirLinhaProgresso(logPane, "BKP em andamento");
    gate.Pass();
  }
  std::atomic<int> runs{0};
  Gate gate;
};

class UpdateCheckerStandIn final : public UpdateChecker {
 public:
  bool ExisteAtualizacao() override {
    ++checks;
    return answer;
  }
  void AtualizarVersao(bool emSegundoPlano) override {
    updateOnWindowThread = QThread::currentThread() == qApp->thread();
    lastEmSegundoPlano = emSegundoPlano;
    ++updates;
  }
  std::atomic<bool> answer{false};
  std::atomic<int> checks{0};
  std::atomic<int> updates{0};
  std::atomic<bool> updateOnWindowThread{false};
  std::atomic<bool> lastEmSegundoPlano{true};
};
