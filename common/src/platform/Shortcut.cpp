#include "common/platform/Shortcut.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "common/platform/FileDescriptor.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// The escapes every string value of a desktop entry takes.
std::string EscapeValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  // A leading space would be taken as part of the separator.
  if (!out.empty() && out.front() == ' ') out.replace(0, 1, "\\s");
  return out;
}

[[noreturn]] void Failed(const fs::path& file, const std::string& why) {
  throw std::runtime_error("Não foi possível gravar o atalho " + file.string() + ": " + why);
}

}  // namespace

std::string DesktopExecArgument(std::string_view argument) {
  // Always quoted: inside quotes, " ` $ and \ take a backslash; "%" is doubled because field
  // codes start with it. The value-level escaping (EscapeValue) is applied on top.
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  out += '"';
  return out;
}

fs::path WriteLauncher(const fs::path& program, std::string_view comment) {
  const fs::path folder = program.parent_path();
  fs::path file = folder / (program.stem().string() + ".desktop");
  const std::string content =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Version=1.0\n"
      "Name=" +
      EscapeValue(program.stem().string()) +
      "\n"
      "Comment=" +
      EscapeValue(comment) +
      "\n"
      "Exec=" +
      EscapeValue(DesktopExecArgument(program.string())) +
      "\n"
      "Path=" +
      EscapeValue(folder.string()) +
      "\n"
      "Terminal=false\n";
  const std::string tmp = file.string() + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Failed(file, std::strerror(errno));
  if (!WriteAll(fd, content.data(), content.size())) {
    const std::string why = std::strerror(errno);
    ::close(fd);
    ::unlink(tmp.c_str());
    Failed(file, why);
  }
  if (::close(fd) != 0 || ::rename(tmp.c_str(), file.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    ::unlink(tmp.c_str());
    Failed(file, why);
  }
  return file;
}

}  // namespace platform
