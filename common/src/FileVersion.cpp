#include "common/FileVersion.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "common/Version.h"

namespace {
// The marker's prefix is split so that this source's own string table holds it only once.
constexpr char kMarkerPrefix[] = "@(#)BRISANE-FILE-VERSION:";
[[gnu::used]] const char kMarker[] = "@(#)BRISANE-FILE-VERSION:" BRISANE_VERSION "#";

bool ParseVersion(const std::string& text, FileVersion& out) {
  int parts[4];
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d.%d.%d.%d%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) !=
          5 ||
      tail != '#') {
    return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (parts[i] < 0 || parts[i] > 65535) return false;
    out[i] = parts[i];
  }
  return true;
}
}  // namespace

const char* CompiledVersionText() { return BRISANE_VERSION; }

FileVersion CompiledVersion() {
  return {BRISANE_VERSION_MAJOR, BRISANE_VERSION_MINOR, BRISANE_VERSION_PATCH, BRISANE_VERSION_TWEAK};
}

std::optional<FileVersion> ReadFileVersion(const std::filesystem::path& binary) {
  std::ifstream in(binary, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string prefix = kMarkerPrefix;
  std::vector<char> buffer(1 << 20);
  std::string carry;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    std::string chunk = carry + std::string(buffer.data(), static_cast<size_t>(got));
    size_t at = chunk.find(prefix);
    while (at != std::string::npos) {
      FileVersion v{};
      const std::string rest = chunk.substr(at + prefix.size(), 32);
      if (ParseVersion(rest, v)) return v;
      at = chunk.find(prefix, at + 1);
    }
    // Keep a tail so a marker split across two reads is still found.
    const size_t keep = prefix.size() + 32;
    carry = chunk.size() > keep ? chunk.substr(chunk.size() - keep) : chunk;
  }
  return std::nullopt;
}

std::string FileVersionText(const FileVersion& v) {
  return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
         std::to_string(v[3]);
}
