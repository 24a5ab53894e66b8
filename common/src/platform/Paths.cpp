#include "common/platform/Paths.h"

#include <cctype>
#include <mutex>
#include <system_error>

namespace platform {

namespace {
std::mutex gOverrideMutex;
fs::path gOverrideDir;
}  // namespace

fs::path ExecutablePath() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path{} : p;
}

fs::path ExecutableDir() {
  {
    std::lock_guard lock(gOverrideMutex);
    if (!gOverrideDir.empty()) return gOverrideDir;
  }
  fs::path p = ExecutablePath();
  return p.empty() ? fs::current_path() : p.parent_path();
}

void OverrideExecutableDir(const fs::path& dir) {
  std::lock_guard lock(gOverrideMutex);
  gOverrideDir = dir;
}

fs::path WorkingDir() {
  std::error_code ec;
  fs::path p = fs::current_path(ec);
  return ec ? fs::path(".") : p;
}

std::string NormalizeSeparators(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

fs::path ResolvePath(const fs::path& base, std::string_view relative) {
  const std::string rel = NormalizeSeparators(relative);
  fs::path current = base;
  size_t start = 0;
  if (!rel.empty() && rel[0] == '/') current = "/";
  while (start <= rel.size()) {
    size_t end = rel.find('/', start);
    if (end == std::string::npos) end = rel.size();
    const std::string part = rel.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    std::error_code ec;
    fs::path exact = current / part;
    if (part != ".." && !fs::exists(fs::symlink_status(exact, ec))) {
      for (fs::directory_iterator it(current, ec), endIt; !ec && it != endIt; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (SameNameIgnoringCase(name, part)) {
          exact = current / name;
          break;
        }
      }
    }
    current = exact;
  }
  return current;
}

fs::path InWorkingDir(std::string_view relative) { return ResolvePath(WorkingDir(), relative); }

}  // namespace platform
