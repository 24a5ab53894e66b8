#pragma once
// Owners of libcurl's handles, shared by the HTTP client and the FTP uploader. The library is
// initialised once per process, on the first handle made. An easy handle is a void* here (curl's
// own CURL type) so that this header needs no curl.h.

#include <memory>
#include <string>

struct curl_slist;

struct CurlEasyCleanup {
  void operator()(void* handle) const noexcept;  // curl_easy_cleanup
};
using CurlEasyHandle = std::unique_ptr<void, CurlEasyCleanup>;

struct CurlSlistFree {
  void operator()(curl_slist* list) const noexcept;  // curl_slist_free_all
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistFree>;

// Runs curl_global_init the first time it is called; throws when the library can't start.
void EnsureCurlInitialised();

// A new easy handle (initialising the library first); throws when curl can't make one.
[[nodiscard]] CurlEasyHandle NewCurlEasyHandle();

// Appends a copy of item to list; throws when curl can't allocate.
void AppendToCurlSlist(CurlSlist& list, const std::string& item);
