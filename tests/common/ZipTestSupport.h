#pragma once
// Shared by the ZIP tests: running the real zip/unzip tools and listing a folder.

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

namespace ziptest {

namespace fs = std::filesystem;

struct CommandResult {
  int exitCode;
  std::string output;
};

inline CommandResult Run(const std::string& command) {
  CommandResult r{-1, {}};
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) r.output.append(buffer, n);
  const int status = ::pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

inline std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// unzip's own integrity test of every entry.
inline CommandResult UnzipTest(const fs::path& archive) {
  return Run("unzip -t " + Quoted(archive));
}

// One entry's bytes as unzip reads them.
inline std::string UnzipEntry(const fs::path& archive, const std::string& entry) {
  return Run("unzip -p " + Quoted(archive) + " " + Quoted(entry)).output;
}

// Every path under folder, relative to it.
inline std::set<std::string> Tree(const fs::path& folder) {
  std::set<std::string> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    out.insert(fs::relative(it->path(), folder).string());
  }
  return out;
}

}  // namespace ziptest
