#pragma once
// The current user's store of named text values under key paths, in place of the registry:
// one INI file, $XDG_CONFIG_HOME/brisane/registro.ini (or ~/.config/brisane/registro.ini), with a
// section per key path ("SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce"). Key paths and
// value names compare without regard to letter case. Values come back exactly as written.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/IniFile.h"

namespace platform {

class KeyStore {
 public:
  // The user's store; throws when the user's config folder cannot be determined.
  KeyStore();
  explicit KeyStore(std::filesystem::path file) : FFile(std::move(file)) {}

  static std::filesystem::path DefaultFile();
  [[nodiscard]] const std::filesystem::path& File() const { return FFile.Path(); }

  [[nodiscard]] std::optional<std::string> Read(const std::string& key,
                                                const std::string& name) const;
  // Throws when the store can't be written, or when the text could not be read back as given
  // (a line break, a name with "=", a key path with "]", a value over 2,047 characters).
  void Write(const std::string& key, const std::string& name, const std::string& value);
  // Nothing happens when the value is missing; throws when the store can't be written.
  void Delete(const std::string& key, const std::string& name);
  [[nodiscard]] std::vector<std::string> Names(const std::string& key) const;

 private:
  IniFile FFile;
};

}  // namespace platform
