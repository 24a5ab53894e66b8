#pragma once
// A stand-in for an outside web service: an HTTP server on a free 127.0.0.1 port, plain or TLS
// (with a self-signed certificate made for it; point the client at CaFile()). The test sets the
// replies by method and path and reads back every request received. The server runs while the
// object lives; destruction releases requests held open and stops it. Destroy a client that
// keeps a connection open before its stand-in: stopping waits for open connections to go idle.
//
//   harness::HttpStandIn web;
//   web.On("POST", "/gestor/x.php", {.Status = 202});
//   api.URL = web.Url("/gestor/x.php?cnpj=1");
//   ... web.Requests()[0].Query == "cnpj=1"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

struct RecordedRequest {
  std::string Method;
  std::string Path;
  std::string Query;  // the raw text after "?", empty when none
  std::vector<std::pair<std::string, std::string>> Headers;
  std::string Body;
  int RemotePort = 0;  // tells connections apart

  // The first value of a header (names compare without regard to case); empty when absent.
  [[nodiscard]] std::string Header(const std::string& name) const;
  [[nodiscard]] bool HasHeader(const std::string& name) const;
};

struct StandInReply {
  int Status = 200;
  std::string Body{};
  std::string ContentType = "text/plain; charset=utf-8";
  std::vector<std::pair<std::string, std::string>> Headers{};  // a name may repeat
  // Waits this long before answering (ends early when the stand-in stops).
  std::chrono::milliseconds Delay{0};
  // Holds the request without answering until the stand-in stops.
  bool NeverAnswer = false;
  // Announces the whole Body's length, sends this many bytes of it and closes the connection.
  std::optional<std::size_t> CloseAfterBytes{};
  // Sends Body in pieces of TrickleBytes with this pause before each piece after the first.
  std::chrono::milliseconds TricklePause{0};
  std::size_t TrickleBytes = 1;
};

enum class StandInTls {
  None,      // plain HTTP
  Modern,    // TLS 1.2 and 1.3
  Tls10Only  // only TLS 1.0, as an outdated server would offer
};

class HttpStandIn {
 public:
  using Handler = std::function<StandInReply(const RecordedRequest&)>;

  explicit HttpStandIn(StandInTls tls = StandInTls::None);
  ~HttpStandIn();
  HttpStandIn(const HttpStandIn&) = delete;
  HttpStandIn& operator=(const HttpStandIn&) = delete;

  // Replies to method (GET, POST, PUT, DELETE, PATCH) on path (without the query). A path
  // without a reply gets 404.
  void On(const std::string& method, const std::string& path, StandInReply reply);
  void On(const std::string& method, const std::string& path, Handler handler);

  [[nodiscard]] int Port() const { return FPort; }
  // "http://127.0.0.1:<port>" or "https://..." + pathAndQuery.
  [[nodiscard]] std::string Url(const std::string& pathAndQuery = "") const;
  // The certificate to trust (TLS modes); empty for plain HTTP.
  [[nodiscard]] const std::filesystem::path& CaFile() const { return FCaFile; }

  [[nodiscard]] std::vector<RecordedRequest> Requests() const;
  [[nodiscard]] std::size_t RequestCount() const;

 private:
  struct State;
  std::shared_ptr<State> FState;
  std::filesystem::path FCaFile;
  int FPort = 0;
  StandInTls FTls;
};

// True when a TLS 1.0 handshake with 127.0.0.1:port succeeds (proves a server really offers it).
[[nodiscard]] bool AcceptsTls10Handshake(int port);

}  // namespace harness
