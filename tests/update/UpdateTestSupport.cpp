#include "UpdateTestSupport.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>

#include "common/ZipArchive.h"
#include "harness/Harness.h"

namespace updatetest {

void MakeArchive(const fs::path& archive,
                 const std::vector<std::pair<std::string, std::string>>& entries) {
  static std::atomic<int> counter{0};
  const fs::path work = archive.parent_path() / ("fontes-" + std::to_string(counter++));
  fs::create_directories(work);
  ZipArchive zip = ZipArchive::Create(archive);
  int n = 0;
  for (const auto& [name, content] : entries) {
    const fs::path source = work / std::to_string(n++);
    harness::WriteFile(source, content);
    zip.AddFile(source, name);
  }
  zip.Close();
  fs::remove_all(work);
}

Snapshot Take(const fs::path& folder) {
  Snapshot snapshot;
  for (fs::recursive_directory_iterator it(folder), end; it != end; ++it) {
    const fs::path rel = fs::relative(it->path(), folder);
    const fs::file_status st = fs::symlink_status(it->path());
    const auto perms = static_cast<unsigned>(st.permissions()) & 07777;
    std::string entry = std::to_string(perms) + " ";
    if (fs::is_directory(st)) {
      entry += "pasta";
    } else {
      const std::string content = harness::ReadFile(it->path());
      entry += std::to_string(content.size()) + " " + content;
    }
    snapshot[rel.string()] = entry;
  }
  return snapshot;
}

std::string LogText() {
  std::string text;
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::recursive_directory_iterator it("LOGS", ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".txt") files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) text += harness::ReadFile(f);
  return text;
}

void RecordingView::ShowBalloonHint(const std::string& mensagem) {
  std::lock_guard lock(FMutex);
  FBalloons.push_back(mensagem);
}

void RecordingView::DownloadProgress(std::int64_t recebidos, std::int64_t total) {
  std::lock_guard lock(FMutex);
  FProgress.emplace_back(recebidos, total);
}

void RecordingView::RunFinished(UpdateOutcome outcome) {
  std::lock_guard lock(FMutex);
  FFinished = outcome;
}

std::vector<std::string> RecordingView::Balloons() const {
  std::lock_guard lock(FMutex);
  return FBalloons;
}

std::vector<std::pair<std::int64_t, std::int64_t>> RecordingView::Progress() const {
  std::lock_guard lock(FMutex);
  return FProgress;
}

std::optional<UpdateOutcome> RecordingView::Finished() const {
  std::lock_guard lock(FMutex);
  return FFinished;
}

}  // namespace updatetest
