#pragma once
// Identity of the machine's storage, in place of a volume serial number.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace platform {

// A 32-bit number identifying the file system that holds `path`, from its file-system id (derived
// from the volume's UUID on ext4, btrfs and xfs), so it is the same on every run and boot;
// nullopt when the file system gives none.
std::optional<std::uint32_t> FileSystemSerial(const std::filesystem::path& path);

}  // namespace platform
