#pragma once
// The file version compiled into our executables ("major.minor.release.build"). Every binary that
// links this library carries a marker with it, so one of our programs can read another's version
// from its file, as the platform's version resource allows on Windows.

#include <array>
#include <filesystem>
#include <optional>
#include <string>

using FileVersion = std::array<int, 4>;

// The version of this build, e.g. "26.12.0.1".
const char* CompiledVersionText();
FileVersion CompiledVersion();

// The version carried by one of our binaries; nullopt when the file has no marker or can't be
// read.
std::optional<FileVersion> ReadFileVersion(const std::filesystem::path& binary);

std::string FileVersionText(const FileVersion& v);
