#pragma once
// Launchers for a program: on this platform an XDG desktop entry (the original's shell link), the
// form the auto-start folder takes.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Writes "<stem>.desktop" beside `program` (an absolute path): it starts the program with no
// arguments in the program's folder, and carries `comment`. Replaces an existing entry in one
// step. Returns the entry's path; throws naming the file when it can't be written.
std::filesystem::path WriteLauncher(const std::filesystem::path& program, std::string_view comment);

// One argument of an Exec= line, quoted and escaped by the desktop-entry rules.
std::string DesktopExecArgument(std::string_view argument);

}  // namespace platform
