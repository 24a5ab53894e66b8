#include "harness/Harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace harness {

ScratchDir::ScratchDir() {
  std::random_device rd;
  const fs::path base = fs::temp_directory_path() / "brisane-tests";
  fs::create_directories(base);
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("t" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    if (fs::create_directory(candidate)) {
      FPath = candidate;
      break;
    }
  }
  if (FPath.empty()) throw std::runtime_error("não foi possível criar a pasta de teste");
  FPrevious = fs::current_path();
  fs::current_path(FPath);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::current_path(FPrevious, ec);
  if (!std::getenv("BRISANE_KEEP_SCRATCH")) {
    // Make everything writable again so the removal can't be refused by a test's chmod.
    for (fs::recursive_directory_iterator it(FPath, ec), end; !ec && it != end; it.increment(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(FPath, ec);
  }
}

TDateTime ManualClock::Now() const {
  std::lock_guard lock(FMutex);
  return FNow;
}

void ManualClock::Set(TDateTime t) {
  std::lock_guard lock(FMutex);
  FNow = t;
}

void ManualClock::Advance(std::chrono::milliseconds d) {
  std::lock_guard lock(FMutex);
  FNow = FNow.AddMsecs(d.count());
}

void ProgressRecorder::InsertLine(const std::string& line) {
  std::lock_guard lock(FMutex);
  FLines.insert(FLines.begin(), line);
}

void ProgressRecorder::AppendLine(const std::string& line) {
  std::lock_guard lock(FMutex);
  FLines.push_back(line);
}

void ProgressRecorder::Clear() {
  std::lock_guard lock(FMutex);
  FLines.clear();
  ++FClears;
}

void ProgressRecorder::ProcessEvents() {
  std::lock_guard lock(FMutex);
  ++FEvents;
}

std::vector<std::string> ProgressRecorder::Lines() const {
  std::lock_guard lock(FMutex);
  return FLines;
}

int ProgressRecorder::ClearCount() const {
  std::lock_guard lock(FMutex);
  return FClears;
}

int ProgressRecorder::ProcessEventsCount() const {
  std::lock_guard lock(FMutex);
  return FEvents;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
  const auto stop = std::chrono::steady_clock::now() + deadline;
  while (true) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= stop) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("não foi possível ler " + file.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& file, const std::string& content) {
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("não foi possível gravar " + file.string());
}

void SetLastWrite(const fs::path& file, const TDateTime& localTime) {
  const TDateTime::Parts p = localTime.Decode();
  std::tm tm{};
  tm.tm_year = p.Year - 1900;
  tm.tm_mon = p.Month - 1;
  tm.tm_mday = p.Day;
  tm.tm_hour = p.Hour;
  tm.tm_min = p.Minute;
  tm.tm_sec = p.Second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  struct utimbuf times {
    t, t
  };
  if (::utime(file.c_str(), &times) != 0)
    throw std::runtime_error("utime falhou: " + file.string());
}

std::vector<std::string> ReadLines(const fs::path& file) {
  const std::string content = ReadFile(file);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(content.substr(start));
      break;
    }
    lines.push_back(content.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket falhou");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof(addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    throw std::runtime_error("bind falhou");
  }
  const int port = ntohs(addr.sin_port);
  ::close(fd);
  return port;
}

fs::path TestDataDir() { return BRISANE_TEST_DATA_DIR; }
fs::path BinaryDir() { return BRISANE_BINARY_DIR; }

std::optional<int> ReportRestartIfAsked(int argc, char** argv) {
  const char* reportFile = std::getenv("BRISANE_TESTE_REINICIO");
  if (!reportFile) return std::nullopt;
  const char* waitFor = std::getenv("BRISANE_AGUARDAR_PID");
  std::string report = std::string("pid=") + (waitFor ? waitFor : "") + "\nargs=";
  for (int i = 1; i < argc; ++i) report += std::string(i > 1 ? " " : "") + argv[i];
  report += "\n";
  const fs::path tmp = std::string(reportFile) + ".tmp";
  std::error_code ec;
  {
    std::ofstream out(tmp, std::ios::binary);
    out << report;
    if (!out.flush()) return 1;
  }
  fs::rename(tmp, reportFile, ec);
  return ec ? 1 : 0;
}

}  // namespace harness
