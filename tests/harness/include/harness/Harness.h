#pragma once
// Basic test support: a scratch folder per test (made the working directory), a clock the test
// moves by hand, a recorder for progress lines, and waiting on a condition with a deadline.

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "common/ProgressView.h"

namespace harness {

namespace fs = std::filesystem;

// A fresh folder under the system's temp folder; the process works inside it while the object
// lives, and it is removed afterwards (kept when BRISANE_KEEP_SCRATCH is set).
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  [[nodiscard]] const fs::path& Path() const { return FPath; }
  [[nodiscard]] fs::path operator/(const std::string& rel) const { return FPath / rel; }

 private:
  fs::path FPath;
  fs::path FPrevious;
};

class ManualClock final : public Clock {
 public:
  explicit ManualClock(TDateTime start) : FNow(start) {}
  [[nodiscard]] TDateTime Now() const override;
  void Set(TDateTime t);
  void Advance(std::chrono::milliseconds d);

 private:
  mutable std::mutex FMutex;
  TDateTime FNow;
};

class ProgressRecorder final : public ProgressView {
 public:
  void InsertLine(const std::string& line) override;
  void AppendLine(const std::string& line) override;
  void Clear() override;
  void ProcessEvents() override;
  // Lines top to bottom, as the view shows them.
  [[nodiscard]] std::vector<std::string> Lines() const;
  [[nodiscard]] int ClearCount() const;
  [[nodiscard]] int ProcessEventsCount() const;

 private:
  mutable std::mutex FMutex;
  std::vector<std::string> FLines;
  int FClears = 0;
  int FEvents = 0;
};

// Polls condition until it holds or the deadline passes; returns its last value.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = std::chrono::seconds(20));

std::string ReadFile(const fs::path& file);
void WriteFile(const fs::path& file, const std::string& content);
// Sets a file's last-write time to the given local time.
void SetLastWrite(const fs::path& file, const TDateTime& localTime);

// Lines of a text file split at "\r\n" (a trailing empty piece is dropped).
std::vector<std::string> ReadLines(const fs::path& file);

// A free TCP port on 127.0.0.1 (the port is released before returning; servers bind it next).
int FreeLoopbackPort();

// For the tests of a restart, called first thing in a test program's main: when this process is
// the restarted copy (BRISANE_TESTE_REINICIO names a report file) it writes how it was started
// (the pid it was told to wait for, its arguments) there and returns the exit code to end with,
// without running any test.
std::optional<int> ReportRestartIfAsked(int argc, char** argv);

// Folder of the test data (tests/ in the source tree) and of the build tree.
fs::path TestDataDir();
fs::path BinaryDir();

}  // namespace harness
