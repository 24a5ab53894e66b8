#include "harness/HttpStandIn.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

namespace harness {

namespace fs = std::filesystem;

namespace {

struct X509Free {
  void operator()(X509* x) const { X509_free(x); }
};
struct PkeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct SslCtxFree {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
struct SslFree {
  void operator()(SSL* s) const { SSL_free(s); }
};
struct FileClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

void AddExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) throw std::runtime_error("extensão X509 inválida");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

// A self-signed certificate for 127.0.0.1 and localhost, made once per process (an EC key is
// quick to make).
struct Identity {
  X509Ptr cert;
  PkeyPtr key;
};

const Identity& SelfSignedIdentity() {
  static const Identity identity = [] {
    Identity id;
    id.key.reset(EVP_EC_gen("P-256"));
    if (!id.key) throw std::runtime_error("não foi possível gerar a chave do certificado");
    id.cert.reset(X509_new());
    X509* cert = id.cert.get();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), static_cast<long>(std::random_device{}() >> 1));
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 7 * 24 * 3600);
    X509_set_pubkey(cert, id.key.get());
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    AddExtension(cert, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    if (X509_sign(cert, id.key.get(), EVP_sha256()) == 0) {
      throw std::runtime_error("não foi possível assinar o certificado");
    }
    return id;
  }();
  return identity;
}

fs::path WriteCertificate(X509* cert) {
  const fs::path folder = fs::temp_directory_path() / "brisane-tests";
  fs::create_directories(folder);
  fs::path file = folder / ("ca-" + std::to_string(::getpid()) + "-" +
                            std::to_string(std::random_device{}()) + ".pem");
  std::unique_ptr<std::FILE, FileClose> out(std::fopen(file.c_str(), "w"));
  if (!out || PEM_write_X509(out.get(), cert) != 1) {
    throw std::runtime_error("não foi possível gravar " + file.string());
  }
  return file;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : Headers) {
    if (SameName(key, name)) return value;
  }
  return {};
}

bool RecordedRequest::HasHeader(const std::string& name) const {
  return std::any_of(Headers.begin(), Headers.end(),
                     [&](const auto& header) { return SameName(header.first, name); });
}

struct HttpStandIn::State {
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  mutable std::mutex mutex;
  std::condition_variable released;  // wakes held requests when the stand-in stops
  bool stopping = false;
  std::map<std::pair<std::string, std::string>, Handler> routes;
  std::vector<RecordedRequest> requests;

  // Waits, ending early when the stand-in stops; false when it stopped.
  bool Pause(std::chrono::milliseconds pause) {
    std::unique_lock lock(mutex);
    return !released.wait_for(lock, pause, [this] { return stopping; });
  }

  void Serve(const httplib::Request& req, httplib::Response& res) {
    RecordedRequest recorded;
    recorded.Method = req.method;
    recorded.Path = req.path;
    if (const auto mark = req.target.find('?'); mark != std::string::npos) {
      recorded.Query = req.target.substr(mark + 1);
    }
    for (const auto& [name, value] : req.headers) recorded.Headers.emplace_back(name, value);
    recorded.Body = req.body;
    recorded.RemotePort = req.remote_port;

    Handler handler;
    {
      std::lock_guard lock(mutex);
      requests.push_back(recorded);
      if (const auto it = routes.find({req.method, req.path}); it != routes.end()) {
        handler = it->second;
      }
    }
    if (!handler) {
      res.status = 404;
      res.set_content("Not Found", "text/plain");
      return;
    }
    StandInReply reply = handler(recorded);
    {
      std::unique_lock lock(mutex);
      if (reply.NeverAnswer) {
        released.wait(lock, [this] { return stopping; });
        return;
      }
      if (reply.Delay.count() > 0) {
        released.wait_for(lock, reply.Delay, [this] { return stopping; });
      }
    }
    res.status = reply.Status;
    for (const auto& [name, value] : reply.Headers) res.set_header(name, value);
    if (reply.CloseAfterBytes) {
      auto body = std::make_shared<std::string>(std::move(reply.Body));
      const std::size_t limit = std::min(*reply.CloseAfterBytes, body->size());
      res.set_content_provider(
          body->size(), reply.ContentType,
          [body, limit](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (offset >= limit) return false;  // gives up: the connection is closed
            sink.write(body->data() + offset, std::min(length, limit - offset));
            return true;
          });
    } else if (reply.TricklePause.count() > 0) {
      auto body = std::make_shared<std::string>(std::move(reply.Body));
      const std::size_t step = std::max<std::size_t>(1, reply.TrickleBytes);
      const auto pause = reply.TricklePause;
      res.set_content_provider(body->size(), reply.ContentType,
                               [this, body, step, pause](std::size_t offset, std::size_t length,
                                                         httplib::DataSink& sink) {
                                 if (offset > 0 && !Pause(pause)) return false;
                                 sink.write(body->data() + offset, std::min(length, step));
                                 return true;
                               });
    } else {
      res.set_content(reply.Body, reply.ContentType);
    }
  }
};

HttpStandIn::HttpStandIn(StandInTls tls) : FState(std::make_shared<State>()), FTls(tls) {
  State& state = *FState;
  if (tls == StandInTls::None) {
    state.server = std::make_unique<httplib::Server>();
  } else {
    const Identity& identity = SelfSignedIdentity();
    auto server = std::make_unique<httplib::SSLServer>(identity.cert.get(), identity.key.get());
    if (!server->is_valid()) throw std::runtime_error("servidor TLS de teste inválido");
    SSL_CTX* ctx = server->ssl_context();
    if (tls == StandInTls::Tls10Only) {
      // Debian's OpenSSL refuses TLS 1.0 at its default security level; this server must offer
      // exactly what an outdated one would.
      SSL_CTX_set_security_level(ctx, 0);
      SSL_CTX_set_cipher_list(ctx, "DEFAULT:@SECLEVEL=0");
      SSL_CTX_set_min_proto_version(ctx, TLS1_VERSION);
      SSL_CTX_set_max_proto_version(ctx, TLS1_VERSION);
    } else {
      SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    }
    FCaFile = WriteCertificate(identity.cert.get());
    state.server = std::move(server);
  }

  httplib::Server& server = *state.server;
  server.set_keep_alive_max_count(1000000);
  server.set_keep_alive_timeout(5);
  // Headers and body go out in separate writes; without this Nagle and delayed ACKs add 40 ms to
  // every answer on a kept-alive connection.
  server.set_tcp_nodelay(true);
  server.set_exception_handler([](const httplib::Request&, httplib::Response& res,
                                  const std::exception_ptr&) { res.status = 500; });
  State* raw = FState.get();
  const auto serve = [raw](const httplib::Request& req, httplib::Response& res) {
    raw->Serve(req, res);
  };
  server.Get(".*", serve);
  server.Post(".*", serve);
  server.Put(".*", serve);
  server.Delete(".*", serve);
  server.Patch(".*", serve);

  FPort = server.bind_to_any_port("127.0.0.1");
  if (FPort <= 0) throw std::runtime_error("o servidor HTTP de teste não conseguiu uma porta");
  // The socket already listens: connections queue until the loop below accepts them.
  state.thread = std::thread([raw] { raw->server->listen_after_bind(); });
  // stop() is ignored until the accept loop runs, so wait for it (a matter of microseconds).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!server.is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
}

HttpStandIn::~HttpStandIn() {
  {
    std::lock_guard lock(FState->mutex);
    FState->stopping = true;
  }
  FState->released.notify_all();
  FState->server->stop();
  if (FState->thread.joinable()) FState->thread.join();
  if (!FCaFile.empty()) {
    std::error_code ec;
    fs::remove(FCaFile, ec);
  }
}

void HttpStandIn::On(const std::string& method, const std::string& path, StandInReply reply) {
  On(method, path, Handler([reply = std::move(reply)](const RecordedRequest&) { return reply; }));
}

void HttpStandIn::On(const std::string& method, const std::string& path, Handler handler) {
  std::lock_guard lock(FState->mutex);
  FState->routes[{method, path}] = std::move(handler);
}

std::string HttpStandIn::Url(const std::string& pathAndQuery) const {
  return std::string(FTls == StandInTls::None ? "http" : "https") +
         "://127.0.0.1:" + std::to_string(FPort) + pathAndQuery;
}

std::vector<RecordedRequest> HttpStandIn::Requests() const {
  std::lock_guard lock(FState->mutex);
  return FState->requests;
}

std::size_t HttpStandIn::RequestCount() const {
  std::lock_guard lock(FState->mutex);
  return FState->requests.size();
}

bool AcceptsTls10Handshake(int port) {
  std::unique_ptr<SSL_CTX, SslCtxFree> ctx(SSL_CTX_new(TLS_client_method()));
  if (!ctx) return false;
  SSL_CTX_set_security_level(ctx.get(), 0);
  SSL_CTX_set_cipher_list(ctx.get(), "DEFAULT:@SECLEVEL=0");
  SSL_CTX_set_min_proto_version(ctx.get(), TLS1_VERSION);
  SSL_CTX_set_max_proto_version(ctx.get(), TLS1_VERSION);

  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = false;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    std::unique_ptr<SSL, SslFree> ssl(SSL_new(ctx.get()));
    if (ssl && SSL_set_fd(ssl.get(), fd) == 1) {
      ok = SSL_connect(ssl.get()) == 1 && SSL_version(ssl.get()) == TLS1_VERSION;
      if (ok) SSL_shutdown(ssl.get());
    }
  }
  ::close(fd);
  return ok;
}

}  // namespace harness
