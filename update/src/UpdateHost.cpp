#include "UpdateHost.h"

#include <curl/curl.h>

#include <charconv>
#include <memory>
#include <stdexcept>

namespace update_host {

namespace {

struct CurlUrlFree {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlFree>;

struct CurlTextFree {
  void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlTextFree>;

std::optional<std::string> Part(CURLU* url, CURLUPart part, unsigned flags) {
  char* raw = nullptr;
  if (curl_url_get(url, part, &raw, flags) != CURLUE_OK || raw == nullptr) return std::nullopt;
  const CurlText text(raw);
  return std::string(text.get());
}

}  // namespace

std::string Address(const std::string& base, const std::string& path) {
  if (base.empty()) {
    throw std::runtime_error("Servidor de atualização não configurado (Atualizacao/URL)");
  }
  std::string address = base;
  while (!address.empty() && address.back() == '/') address.pop_back();
  return address + path;
}

std::optional<Endpoint> EndpointOf(const std::string& base) noexcept {
  try {
    const CurlUrl url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK) {
      return std::nullopt;
    }
    const auto scheme = Part(url.get(), CURLUPART_SCHEME, 0);
    if (!scheme || (*scheme != "http" && *scheme != "https")) return std::nullopt;
    auto host = Part(url.get(), CURLUPART_HOST, 0);
    const auto port = Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!host || host->empty() || !port) return std::nullopt;
    // An IPv6 literal comes back in brackets, which name resolution does not take.
    if (host->size() > 2 && host->front() == '[' && host->back() == ']') {
      *host = host->substr(1, host->size() - 2);
    }
    Endpoint endpoint{*host, 0};
    const auto [ptr, ec] =
        std::from_chars(port->data(), port->data() + port->size(), endpoint.Port);
    if (ec != std::errc() || ptr != port->data() + port->size()) return std::nullopt;
    return endpoint;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace update_host
