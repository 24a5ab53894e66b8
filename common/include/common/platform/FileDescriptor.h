#pragma once
// An open file descriptor owned by one object, and writing a whole buffer to one.

#include <cstddef>

namespace platform {

class FileDescriptor {
 public:
  // Takes `fd` (a negative value: nothing was opened).
  explicit FileDescriptor(int fd) : FFd(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  [[nodiscard]] int Get() const { return FFd; }
  // Closes now and tells whether that went well (a delayed write error, a full disk, shows here),
  // with errno set when not.
  [[nodiscard]] bool Close();

 private:
  int FFd;
};

// Writes all `size` bytes, again after a signal or a short write. False with errno set when a
// write fails.
[[nodiscard]] bool WriteAll(int fd, const void* data, std::size_t size);

}  // namespace platform
