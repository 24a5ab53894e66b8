#include "common/platform/KeyStore.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace platform {

namespace fs = std::filesystem;

namespace {

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

bool EdgeSpace(const std::string& s) {
  return !s.empty() && (std::isspace(static_cast<unsigned char>(s.front())) ||
                        std::isspace(static_cast<unsigned char>(s.back())));
}

fs::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
  passwd pw{};
  passwd* found = nullptr;
  std::string buffer(16384, '\0');
  if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && *found->pw_dir == '/') {
    return found->pw_dir;
  }
  throw std::runtime_error("Não foi possível determinar a pasta do usuário para o registro");
}

// The INI file trims values and drops one pair of enclosing quotes on reading; a value that
// would change that way is written inside double quotes, so it reads back unchanged.
std::string Stored(const std::string& value) {
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  return (EdgeSpace(value) || quoted) ? "\"" + value + "\"" : value;
}

}  // namespace

KeyStore::KeyStore() : FFile(DefaultFile()) {}

fs::path KeyStore::DefaultFile() {
  fs::path base;
  // The XDG rules ignore a relative XDG_CONFIG_HOME.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else {
    base = HomeFolder() / ".config";
  }
  return base / "brisane" / "registro.ini";
}

std::optional<std::string> KeyStore::Read(const std::string& key, const std::string& name) const {
  return FFile.ReadValue(key, name);
}

void KeyStore::Write(const std::string& key, const std::string& name, const std::string& value) {
  if (key.empty() || HasLineBreak(key) || key.find(']') != std::string::npos || EdgeSpace(key)) {
    throw std::runtime_error("Chave inválida para o registro: " + key);
  }
  if (HasLineBreak(name) || name.find('=') != std::string::npos || EdgeSpace(name) ||
      (!name.empty() && (name.front() == '[' || name.front() == ';'))) {
    throw std::runtime_error("Nome de valor inválido para o registro: " + name);
  }
  const std::string stored = Stored(value);
  if (HasLineBreak(value) || stored.size() > IniFile::kMaxValueLength) {
    throw std::runtime_error("O valor " + name + " não pode ser gravado no registro " +
                             "(quebra de linha ou mais de 2047 caracteres)");
  }
  std::error_code ec;
  fs::create_directories(File().parent_path(), ec);
  if (ec) {
    throw std::runtime_error("Não foi possível criar a pasta do registro " +
                             File().parent_path().string() + ": " + ec.message());
  }
  FFile.WriteString(key, name, stored);
}

void KeyStore::Delete(const std::string& key, const std::string& name) {
  FFile.DeleteKey(key, name);
}

std::vector<std::string> KeyStore::Names(const std::string& key) const {
  return FFile.ReadSection(key);
}

}  // namespace platform
