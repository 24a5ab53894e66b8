#pragma once
// TAPI: the one HTTP client through which every web service is called. Set URL, Method, Params
// (the body lines of a POST), Dir_Log and the request headers, call Consumir, and read the
// result: the response body reduced to printable ASCII, non-empty only when a POST got 200 or a
// GET completed. Every exchange is logged into Dir_Log. A failed request never raises: the result
// is empty and resposeCode is -1; ResponseCode() still tells the HTTP status the server sent.
//
// PostForm, GetText and BaixarArquivo are the lower-level calls (form posts, a text as published,
// downloads to a file); they log nothing and throw std::runtime_error on failure.
//
// One client keeps its connection open across requests. It is used by one thread at a time.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Clock.h"
#include "common/CurlSupport.h"
#include "common/ProgressView.h"
#include "common/StringList.h"
#include "common/TFuncoesIFood.h"

enum class TMethod { POST, GET, PUT };

// How requests are made; everything is off unless a caller asks for it.
struct HttpOptions {
  // 4xx and 5xx answers complete normally and their body is read, instead of failing the request.
  bool ErrorStatusIsResponse = false;
  bool FollowRedirects = false;
  int MaxRedirects = 5;
  // Connect time-out; the constructor takes it from the deployment settings (HTTP/TempoConexaoMs).
  std::int32_t ConnectTimeoutMs = 30000;
  // Longest silence while a response is awaited or arrives (0 or less: none). It bounds
  // inactivity, not the whole transfer, so a slow but steady download is not cut. Consumir sets
  // it to 300000 ms, ConsumirBody to its `tempo`.
  std::int32_t ReadTimeoutMs = 30000;
  // A PEM file of certificates to trust instead of the system's (tests' self-signed servers).
  std::filesystem::path CAFile;
};

// Progress of BaixarArquivo: bytes written so far, and the announced size (-1 when unknown).
using DownloadProgress = std::function<void(std::int64_t recebidos, std::int64_t total)>;

class TAPI {
 public:
  // UsarSSL: allow https, with TLS 1.2 as the oldest version accepted and the server's
  // certificate verified. Without it only plain http is allowed.
  explicit TAPI(bool UsarSSL, const Clock* clock = nullptr);
  ~TAPI();
  TAPI(const TAPI&) = delete;
  TAPI& operator=(const TAPI&) = delete;

  // --- Properties (read and written directly) ----------------------------------------------
  std::string URL;  // the full address, query string included
  TMethod Method = TMethod::POST;
  StringList Params;              // Consumir's POST body; PostForm's name=value fields
  std::string Dir_Log;            // log subfolder such as "GESTOR\"; empty: the log root
  std::int32_t resposeCode = -1;  // status of the last completed Consumir, -1 after a failure
  std::string Retorno;            // PostForm's response body; emptied by Consumir, ConsumirBody
  ProgressView* memo = nullptr;   // the caller's view; the client writes nothing to it
  HttpOptions Options;

  // --- Request headers (sent on every request until changed) ---------------------------------
  // Sets a header, replacing one of the same name (names compare without regard to case).
  void SetHeader(const std::string& name, const std::string& value);
  void RemoveHeader(std::string_view name);
  void ClearHeaders();
  [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& Headers() const {
    return FHeaders;
  }

  // --- The last response (also after an error status; -1 and empty when none arrived) -------
  [[nodiscard]] int ResponseCode() const { return FResponseCode; }
  [[nodiscard]] const std::string& ResponseStatusLine() const { return FStatusLine; }
  [[nodiscard]] std::vector<std::string> ResponseHeaderValues(std::string_view name) const;
  // The WWW-Authenticate values, one per line (CR LF between them); empty when there are none.
  [[nodiscard]] std::string WWWAuthenticateText() const;

  // --- Requests ------------------------------------------------------------------------------
  // One request by Method on URL, logged into Dir_Log; never throws. `tempo` is not used: the
  // read time-out is 300000 ms. POST sends Params.Text() and returns the body only on 200; GET
  // returns the body; PUT sends an empty body and returns an empty text.
  std::string Consumir(std::int32_t tempo);
  // As Consumir with JsonStream as the body (content type application/json on POST and PUT),
  // `tempo` ms as the read time-out, PUT returning the body on 200; resposeCode is not touched.
  std::string ConsumirBody(const std::string& JsonStream, std::int32_t tempo);

  // POSTs Params as an application/x-www-form-urlencoded form (one name=value per line) to URL
  // and leaves the response body in Retorno; the status is ResponseCode(). Throws when the
  // request fails or the status is 400 or more (unless Options.ErrorStatusIsResponse).
  void PostForm();

  // GETs URL and returns the body exactly as received (no reduction to ASCII, nothing trimmed).
  // Throws when the request fails or the final status is not 2xx (unless
  // Options.ErrorStatusIsResponse).
  [[nodiscard]] std::string GetText();

  // GETs URL into the file Destino, streaming to disk. The body goes to Destino + ".part" and is
  // renamed over Destino only when complete; a failure (no connection, status 400 or more, a body
  // shorter than announced, a write error) throws and leaves Destino untouched.
  void BaixarArquivo(const std::filesystem::path& Destino, const DownloadProgress& progresso = {});

 private:
  struct Body;
  struct Transfer;

  // Makes one request and records the response; throws when it fails or, unless
  // Options.ErrorStatusIsResponse, when the status is 400 or more.
  void Executar(const char* method, const std::string* requestBody, const std::string* contentType,
                Body& sink);
  void Log(const std::string& msg) const { FFuncao.GravarLog(msg, Dir_Log); }

  TFuncoesIFood FFuncao;
  bool FUsarSSL;
  CurlEasyHandle FCurl;  // kept across requests so the connection is reused
  std::vector<std::pair<std::string, std::string>> FHeaders;
  int FResponseCode = -1;
  std::string FStatusLine;
  std::vector<std::pair<std::string, std::string>> FResponseHeaders;
};
