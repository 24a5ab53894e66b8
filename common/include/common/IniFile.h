#pragma once
// Initialisation files with the platform's classic semantics: case-insensitive sections and keys,
// trimmed names and values, texts cut at 2,047 characters, integers in decimal or "0x" hex,
// Booleans as integers. Reads never fail and create nothing; writes create file and section,
// replace a key in place or add it at the end of its section, and leave every other line alone.
// Each call opens the file by path; nothing is cached, so one component sees another's write.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
 public:
  explicit IniFile(std::filesystem::path path) : FPath(std::move(path)) {}

  [[nodiscard]] const std::filesystem::path& Path() const { return FPath; }

  [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const;
  [[nodiscard]] std::int32_t ReadInteger(std::string_view section, std::string_view key,
                                         std::int32_t defaultValue) const;
  [[nodiscard]] bool ReadBool(std::string_view section, std::string_view key,
                              bool defaultValue) const;
  // The raw value when the key exists (trimmed, quotes removed, cut at 2,047 characters).
  [[nodiscard]] std::optional<std::string> ReadValue(std::string_view section,
                                                     std::string_view key) const;
  [[nodiscard]] bool SectionExists(std::string_view section) const;
  // Names of the keys of a section, in file order (empty when file or section is missing).
  [[nodiscard]] std::vector<std::string> ReadSection(std::string_view section) const;

  // Throws std::runtime_error naming the file when it cannot be written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes the key's line; nothing happens (and nothing is created) when it is missing.
  void DeleteKey(std::string_view section, std::string_view key);

  // Integer text by the platform rule: optional sign and decimal digits, or "0x"/"0X" and hex
  // digits; anything else (or a value out of 32-bit range) is nullopt.
  static std::optional<std::int32_t> ParseInteger(std::string_view text);

  static constexpr size_t kMaxValueLength = 2047;

 private:
  std::filesystem::path FPath;
};
