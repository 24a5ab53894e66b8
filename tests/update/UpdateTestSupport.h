#pragma once
// Shared by the updater's tests: update archives, snapshots of a folder, a view that records what
// a run shows, and the log text of the scratch folder.

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "update/UpdateRun.h"

namespace updatetest {

namespace fs = std::filesystem;

// A ZIP archive at `archive` holding each (entry name, content), entry names taken as given.
void MakeArchive(const fs::path& archive,
                 const std::vector<std::pair<std::string, std::string>>& entries);

// Every entry under folder: relative path -> kind, permissions and content (files).
using Snapshot = std::map<std::string, std::string>;
Snapshot Take(const fs::path& folder);

// All log lines written under LOGS/ of the working directory.
std::string LogText();

class RecordingView final : public UpdateView {
 public:
  void ShowBalloonHint(const std::string& mensagem) override;
  void DownloadProgress(std::int64_t recebidos, std::int64_t total) override;
  void RunFinished(UpdateOutcome outcome) override;

  [[nodiscard]] std::vector<std::string> Balloons() const;
  [[nodiscard]] std::vector<std::pair<std::int64_t, std::int64_t>> Progress() const;
  [[nodiscard]] std::optional<UpdateOutcome> Finished() const;

 private:
  mutable std::mutex FMutex;
  std::vector<std::string> FBalloons;
  std::vector<std::pair<std::int64_t, std::int64_t>> FProgress;
  std::optional<UpdateOutcome> FFinished;
};

}  // namespace updatetest
