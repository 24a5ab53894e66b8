#pragma once
// One family of exceptions: everything we throw derives from std::runtime_error, so a boundary
// catches std::exception once. The kinds below exist where a caller must tell them apart.

#include <stdexcept>
#include <string>

// A text that cannot be read as the value asked for (JSON documents, numbers, dates).
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An error reported by the database engine or its client library; the application shows it in
// the database-error dialog instead of the general error log.
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The database client library itself could not be loaded (reported apart from engine errors).
class EClientLibraryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
