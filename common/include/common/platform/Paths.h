#pragma once
// Where things are on this platform. The system names paths Windows-style, relative to the
// working directory with "\" separators and case-insensitive names; here "\" becomes "/", and a
// component that exists under another letter case ("LOGS" vs "Logs") names that existing entry.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

namespace fs = std::filesystem;

// The executable's file name on this platform (the original's "Backup.exe").
inline constexpr std::string_view kExecutableName = "Backup";

// Folder of the running executable (tests may override it for the process).
fs::path ExecutableDir();
fs::path ExecutablePath();
void OverrideExecutableDir(const fs::path& dir);  // empty path restores the real one

fs::path WorkingDir();

// Turns "\" into "/" in a relative path written the system's way.
std::string NormalizeSeparators(std::string_view path);

// base / relative, where each component of relative that already exists under base in another
// letter case is replaced by the existing spelling. Components that don't exist keep the caller's
// spelling. Empty components ("a\\\\b") are dropped.
fs::path ResolvePath(const fs::path& base, std::string_view relative);

// ResolvePath(WorkingDir(), relative).
fs::path InWorkingDir(std::string_view relative);

// Case-insensitive comparison of ASCII letters, as the platform compares file names.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform
