#include "common/CurlGlobal.h"

#include <curl/curl.h>

#include <mutex>
#include <stdexcept>

void EnsureCurlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      throw std::runtime_error("Falha ao inicializar a biblioteca de rede (libcurl)");
    }
  });
}
