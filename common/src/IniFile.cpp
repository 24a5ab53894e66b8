#include "common/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "common/platform/FileDescriptor.h"
#include "common/platform/Paths.h"

namespace {

// The platform's initialisation-file service is safe across threads; so is ours.
std::mutex gIniMutex;

std::string_view Trim(std::string_view s) {
  const char* ws = " \t\r\n\f\v";
  const size_t b = s.find_first_not_of(ws);
  if (b == std::string_view::npos) return {};
  const size_t e = s.find_last_not_of(ws);
  return s.substr(b, e - b + 1);
}

struct Document {
  std::string bom;
  std::string eol = "\r\n";
  std::vector<std::string> lines;
  bool endsWithNewline = true;
};

bool ReadDocument(const std::filesystem::path& path, Document& doc) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buf;
  buf << in.rdbuf();
  std::string content = buf.str();
  if (content.rfind("\xEF\xBB\xBF", 0) == 0) {
    doc.bom = content.substr(0, 3);
    content.erase(0, 3);
  }
  const size_t firstLf = content.find('\n');
  if (firstLf != std::string::npos)
    doc.eol = (firstLf > 0 && content[firstLf - 1] == '\r') ? "\r\n" : "\n";
  doc.endsWithNewline = content.empty() || content.back() == '\n';
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    doc.lines.push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

// "[name]" -> name; nullopt for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
  const std::string_view t = Trim(line);
  return !t.empty() && t.front() == ';';
}

// key=value lines; nullopt for others.
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view line) {
  if (IsComment(line) || SectionName(line)) return std::nullopt;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return std::make_pair(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
}

std::string CleanValue(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  if (v.size() > IniFile::kMaxValueLength) v = v.substr(0, IniFile::kMaxValueLength);
  return std::string(v);
}

// Index range [first, end) of the first section of that name (first = header index).
std::optional<std::pair<size_t, size_t>> FindSection(const Document& doc, std::string_view name) {
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    const auto sec = SectionName(doc.lines[i]);
    if (!sec || !platform::SameNameIgnoringCase(*sec, name)) continue;
    size_t end = i + 1;
    while (end < doc.lines.size() && !SectionName(doc.lines[end])) ++end;
    return std::make_pair(i, end);
  }
  return std::nullopt;
}

std::optional<size_t> FindKey(const Document& doc, std::pair<size_t, size_t> range,
                              std::string_view key) {
  for (size_t i = range.first + 1; i < range.second; ++i) {
    const auto kv = KeyValue(doc.lines[i]);
    if (kv && platform::SameNameIgnoringCase(kv->first, key)) return i;
  }
  return std::nullopt;
}

[[noreturn]] void WriteFailed(const std::filesystem::path& path, const std::string& why) {
  throw std::runtime_error("Não foi possível gravar o arquivo " + path.string() + ": " + why);
}

void WriteDocument(const std::filesystem::path& path, const Document& doc) {
  std::string content = doc.bom;
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    content += doc.lines[i];
    if (i + 1 < doc.lines.size() || doc.endsWithNewline) content += doc.eol;
  }
  // Refuse a file the owner made read-only, as the platform would, even when running as root.
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    WriteFailed(path, "somente leitura");
  if (exists && !S_ISREG(st.st_mode)) WriteFailed(path, "não é um arquivo");
  // Write beside it and rename, so a crash never leaves a half-written settings file.
  const std::string tmp = path.string() + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                        exists ? (st.st_mode & 07777) : 0644);
  if (fd < 0) WriteFailed(path, std::strerror(errno));
  if (!platform::WriteAll(fd, content.data(), content.size())) {
    const std::string why = std::strerror(errno);
    ::close(fd);
    ::unlink(tmp.c_str());
    WriteFailed(path, why);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const std::string why = std::strerror(errno);
    ::unlink(tmp.c_str());
    WriteFailed(path, why);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    ::unlink(tmp.c_str());
    WriteFailed(path, why);
  }
}

}  // namespace

std::optional<std::string> IniFile::ReadValue(std::string_view section,
                                              std::string_view key) const {
  std::lock_guard lock(gIniMutex);
  Document doc;
  if (!ReadDocument(FPath, doc)) return std::nullopt;
  const auto range = FindSection(doc, section);
  if (!range) return std::nullopt;
  const auto line = FindKey(doc, *range, key);
  if (!line) return std::nullopt;
  return CleanValue(KeyValue(doc.lines[*line])->second);
}

bool IniFile::SectionExists(std::string_view section) const {
  std::lock_guard lock(gIniMutex);
  Document doc;
  return ReadDocument(FPath, doc) && FindSection(doc, section).has_value();
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::lock_guard lock(gIniMutex);
  Document doc;
  std::vector<std::string> names;
  if (!ReadDocument(FPath, doc)) return names;
  const auto range = FindSection(doc, section);
  if (!range) return names;
  for (size_t i = range->first + 1; i < range->second; ++i) {
    if (const auto kv = KeyValue(doc.lines[i])) names.emplace_back(kv->first);
  }
  return names;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  auto v = ReadValue(section, key);
  return v ? *v : std::string(defaultValue);
}

std::optional<std::int32_t> IniFile::ParseInteger(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    for (char c : text.substr(2)) {
      int d;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      else
        return std::nullopt;
      value = value * 16 + d;
      if (value > 0xFFFFFFFFLL) return std::nullopt;
    }
    // Hex texts give the 32-bit pattern, as the platform's conversion does.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  bool negative = false;
  size_t i = 0;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL || value < -2147483648LL) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) const {
  const auto v = ReadValue(section, key);
  if (!v) return defaultValue;
  return ParseInteger(*v).value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::lock_guard lock(gIniMutex);
  Document doc;
  const bool exists = ReadDocument(FPath, doc);
  std::error_code ec;
  if (!exists && std::filesystem::exists(FPath, ec)) WriteFailed(FPath, "não pôde ser lido");
  const std::string line = std::string(key) + "=" + std::string(value);
  if (auto range = FindSection(doc, section)) {
    if (auto k = FindKey(doc, *range, key)) {
      doc.lines[*k] = line;
    } else {
      // After the section's last non-empty line, before any blank lines that separate sections.
      size_t at = range->second;
      while (at > range->first + 1 && Trim(doc.lines[at - 1]).empty()) --at;
      doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), line);
    }
  } else {
    if (!doc.lines.empty() && !doc.endsWithNewline) doc.endsWithNewline = true;
    doc.lines.push_back("[" + std::string(section) + "]");
    doc.lines.push_back(line);
    doc.endsWithNewline = true;
  }
  WriteDocument(FPath, doc);
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  std::lock_guard lock(gIniMutex);
  Document doc;
  if (!ReadDocument(FPath, doc)) return;
  const auto range = FindSection(doc, section);
  if (!range) return;
  const auto line = FindKey(doc, *range, key);
  if (!line) return;
  doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(*line));
  WriteDocument(FPath, doc);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}
