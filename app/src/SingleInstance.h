#pragma once
// One running copy of the agent per user, windowed or headless alike: a lock in the user's
// runtime folder says who runs, and a local socket beside it lets a second start hand its
// command line to the running copy (which brings its window forward and ignores the rest).
//
//   SingleInstance guard(platform::UserRuntimeDir());
//   if (!guard.Acquire(args, previousPid, kWait)) return 0;   // the running copy took over
//   connect(&guard, &SingleInstance::ActivationRequested, &frm, &TfrmPrincipal::BringToFront);

#include <QObject>
#include <QStringList>
#include <chrono>
#include <filesystem>
#include <memory>

#include "common/platform/InstanceLock.h"

class QLocalServer;

class SingleInstance final : public QObject {
  Q_OBJECT

 public:
  // How long a restarted copy waits for the copy it replaces: that copy finishes a backup in
  // progress before it ends.
  static constexpr std::chrono::minutes kRestartWait{10};

  explicit SingleInstance(std::filesystem::path runtimeDir, QObject* parent = nullptr);
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this is the copy that runs: it holds the lock and listens for later starts.
  // Otherwise this copy's arguments were handed to the running copy, and the caller ends with
  // exit code 0. `previousPid` (> 0) names a copy that is ending to make room for this one
  // (a restart): its end is awaited, at most `wait`, instead of giving way to it. Throws when
  // the lock file can't be opened.
  [[nodiscard]] bool Acquire(const QStringList& arguments, int previousPid,
                             std::chrono::milliseconds wait);

  [[nodiscard]] std::filesystem::path LockFile() const;
  [[nodiscard]] QString ServerName() const;

 signals:
  // A later start handed over its arguments (without the program name).
  void ActivationRequested(const QStringList& arguments);

 private:
  void Listen();
  void Accept();
  void HandOver(const QStringList& arguments) const;

  std::filesystem::path FDir;
  std::unique_ptr<platform::InstanceLock> FLock;
  QLocalServer* FServer = nullptr;
};
