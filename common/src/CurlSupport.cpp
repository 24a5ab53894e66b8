#include "common/CurlSupport.h"

#include <curl/curl.h>

#include <stdexcept>
#include <type_traits>

static_assert(std::is_same_v<CURL, void>, "CurlEasyHandle holds curl's easy handle as void*");

namespace {

// curl_global_init is not thread-safe and must run once before any handle; the function-local
// static gives both. The cleanup runs at process exit.
class CurlGlobal {
 public:
  CurlGlobal() : FCode(curl_global_init(CURL_GLOBAL_DEFAULT)) {}
  ~CurlGlobal() {
    if (FCode == CURLE_OK) curl_global_cleanup();
  }
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
  [[nodiscard]] CURLcode Code() const { return FCode; }

 private:
  CURLcode FCode;
};

}  // namespace

void CurlEasyCleanup::operator()(void* handle) const noexcept { curl_easy_cleanup(handle); }

void CurlSlistFree::operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }

void EnsureCurlInitialised() {
  static const CurlGlobal global;
  if (global.Code() != CURLE_OK) {
    throw std::runtime_error(std::string("Não foi possível iniciar a biblioteca curl: ") +
                             curl_easy_strerror(global.Code()));
  }
}

CurlEasyHandle NewCurlEasyHandle() {
  EnsureCurlInitialised();
  CurlEasyHandle handle(curl_easy_init());
  if (!handle) throw std::runtime_error("Não foi possível criar o cliente curl");
  return handle;
}

void AppendToCurlSlist(CurlSlist& list, const std::string& item) {
  curl_slist* grown = curl_slist_append(list.get(), item.c_str());
  if (!grown) throw std::runtime_error("Sem memória para a lista do curl");
  // On success curl returns the same list head (or a new one when the list was empty).
  (void)list.release();
  list.reset(grown);
}
