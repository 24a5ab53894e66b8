#pragma once
// The log pane without a window: each line on standard output as it comes, in order, whichever
// thread writes it (a service's journal, or the terminal of a one-shot command keeps them).

#include <cstdio>
#include <mutex>
#include <string>

#include "common/ProgressView.h"

class ConsolePane final : public ProgressView {
 public:
  void InsertLine(const std::string& line) override { Write(line); }
  void AppendLine(const std::string& line) override { Write(line); }
  void Clear() override {}

 private:
  void Write(const std::string& line) {
    std::lock_guard lock(FMutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  std::mutex FMutex;
};
