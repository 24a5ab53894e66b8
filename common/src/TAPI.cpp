#include "common/TAPI.h"

#include <curl/curl.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <stdexcept>

#include "common/AsciiText.h"
#include "common/DeploymentSettings.h"
#include "common/UrlEncoding.h"
#include "common/Version.h"
#include "common/platform/Paths.h"

namespace fs = std::filesystem;

namespace {

// Consumir always waits this long for a silent server, whatever its caller passes.
constexpr std::int32_t kConsumirReadTimeoutMs = 300000;

const std::string kJsonContentType = "application/json";
const std::string kFormContentType = "application/x-www-form-urlencoded";

template <typename T>
void SetOption(CURL* curl, CURLoption option, T value) {
  const CURLcode code = curl_easy_setopt(curl, option, value);
  if (code != CURLE_OK) {
    throw std::runtime_error(std::string("Falha ao configurar a requisição HTTP: ") +
                             curl_easy_strerror(code));
  }
}

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

std::string DescribeFailure(CURLcode code, const char* errorText) {
  const std::string detail = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      return "Tempo esgotado na requisição HTTP: " + detail;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
      return "Falha na conexão segura (TLS): " + detail;
    default:
      return "Falha na requisição HTTP: " + detail;
  }
}

}  // namespace

// Where a response body goes: a text, or a file with its progress.
struct TAPI::Body {
  std::string* text = nullptr;
  std::ofstream* file = nullptr;
  const DownloadProgress* progress = nullptr;
  std::int64_t written = 0;
  bool reported = false;
};

// What curl's callbacks work on during one request. They never let an exception into curl: a
// failure is kept here and the transfer aborted.
struct TAPI::Transfer {
  CURL* curl;
  Body& sink;
  std::string& statusLine;
  std::vector<std::pair<std::string, std::string>>& headers;
  std::exception_ptr error{};
  bool discardBody = false;
  bool statusChecked = false;

  static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    try {
      if (line.starts_with("HTTP/")) {
        // A new response (after a redirect or an interim 1xx): only the last one counts.
        t.statusLine = std::string(Trim(line));
        t.headers.clear();
      } else if (const auto colon = line.find(':'); colon != std::string_view::npos) {
        t.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
      }
    } catch (...) {
      t.error = std::current_exception();
      return 0;
    }
    return size * count;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t n = size * count;
    try {
      if (t.sink.text) {
        t.sink.text->append(data, n);
        return n;
      }
      if (!t.statusChecked) {
        // A file receives only a successful answer, never an error page.
        long code = 0;
        curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &code);
        t.discardBody = code < 200 || code >= 300;
        t.statusChecked = true;
      }
      if (t.discardBody || !t.sink.file) return n;
      t.sink.file->write(data, static_cast<std::streamsize>(n));
      if (!*t.sink.file) throw std::runtime_error("Falha ao gravar o arquivo baixado");
      t.sink.written += static_cast<std::int64_t>(n);
      if (t.sink.progress && *t.sink.progress) {
        curl_off_t total = -1;
        curl_easy_getinfo(t.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
        (*t.sink.progress)(t.sink.written, total);
        t.sink.reported = true;
      }
    } catch (...) {
      t.error = std::current_exception();
      return 0;  // makes curl abort with a write error
    }
    return n;
  }
};

TAPI::TAPI(bool UsarSSL, const Clock* clock)
    : FFuncao(clock), FUsarSSL(UsarSSL), FCurl(NewCurlEasyHandle()) {
  Options.ConnectTimeoutMs = Deployment().http.TempoConexaoMs;
}

TAPI::~TAPI() = default;

void TAPI::SetHeader(const std::string& name, const std::string& value) {
  for (auto& header : FHeaders) {
    if (platform::SameNameIgnoringCase(header.first, name)) {
      header.second = value;
      return;
    }
  }
  FHeaders.emplace_back(name, value);
}

void TAPI::RemoveHeader(std::string_view name) {
  std::erase_if(FHeaders, [&](const auto& header) {
    return platform::SameNameIgnoringCase(header.first, name);
  });
}

void TAPI::ClearHeaders() { FHeaders.clear(); }

std::vector<std::string> TAPI::ResponseHeaderValues(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [headerName, value] : FResponseHeaders) {
    if (platform::SameNameIgnoringCase(headerName, name)) values.push_back(value);
  }
  return values;
}

std::string TAPI::WWWAuthenticateText() const {
  std::string text;
  for (const std::string& value : ResponseHeaderValues("WWW-Authenticate")) {
    if (!text.empty()) text += "\r\n";
    text += value;
  }
  return text;
}

void TAPI::Executar(const char* method, const std::string* requestBody,
                    const std::string* contentType, Body& sink) {
  FResponseCode = -1;
  FStatusLine.clear();
  FResponseHeaders.clear();

  CURL* curl = FCurl.get();
  // Back to defaults so nothing of the previous request leaks into this one; the open
  // connection survives the reset.
  curl_easy_reset(curl);
  char errorText[CURL_ERROR_SIZE] = "";
  CurlSlist headerList;
  // The error buffer and the header list die with this frame: whatever way it is left, curl
  // must not keep pointers to them.
  struct ForgetLocals {
    CURL* curl;
    ~ForgetLocals() {
      curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
      curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    }
  } forgetLocals{curl};
  Transfer transfer{curl, sink, FStatusLine, FResponseHeaders};

  SetOption(curl, CURLOPT_ERRORBUFFER, errorText);
  SetOption(curl, CURLOPT_URL, URL.c_str());
  const char* protocols = FUsarSSL ? "http,https" : "http";
  SetOption(curl, CURLOPT_PROTOCOLS_STR, protocols);
  SetOption(curl, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
  SetOption(curl, CURLOPT_NOSIGNAL, 1L);
  SetOption(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  SetOption(curl, CURLOPT_USERAGENT, "Brisane/" BRISANE_VERSION);
  if (Options.ConnectTimeoutMs > 0) {
    SetOption(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(Options.ConnectTimeoutMs));
  }
  if (Options.ReadTimeoutMs > 0) {
    // Less than one byte a second for the whole time-out counts as silence.
    SetOption(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    SetOption(curl, CURLOPT_LOW_SPEED_TIME,
              static_cast<long>(std::ceil(Options.ReadTimeoutMs / 1000.0)));
  }
  if (FUsarSSL) {
    SetOption(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (!Options.CAFile.empty()) SetOption(curl, CURLOPT_CAINFO, Options.CAFile.c_str());
  }
  if (Options.FollowRedirects) {
    SetOption(curl, CURLOPT_FOLLOWLOCATION, 1L);
    SetOption(curl, CURLOPT_MAXREDIRS, static_cast<long>(std::max(0, Options.MaxRedirects)));
  }

  if (requestBody) {
    SetOption(curl, CURLOPT_POST, 1L);
    SetOption(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(requestBody->size()));
    SetOption(curl, CURLOPT_POSTFIELDS, requestBody->data());
    if (std::string_view(method) != "POST") SetOption(curl, CURLOPT_CUSTOMREQUEST, method);
  } else {
    SetOption(curl, CURLOPT_HTTPGET, 1L);
  }

  bool hasContentType = false;
  for (const auto& [name, value] : FHeaders) {
    const bool isContentType = platform::SameNameIgnoringCase(name, "Content-Type");
    if (isContentType && contentType) continue;
    hasContentType = hasContentType || isContentType;
    // "Name;" is curl's way to send a header with an empty value.
    std::string line = name;
    if (value.empty()) {
      line += ';';
    } else {
      line += ": ";
      line += value;
    }
    AppendToCurlSlist(headerList, line);
  }
  if (contentType) {
    AppendToCurlSlist(headerList, "Content-Type: " + *contentType);
  } else if (requestBody && !hasContentType) {
    // curl would announce a form; the caller set no content type, so none is sent.
    AppendToCurlSlist(headerList, "Content-Type:");
  }
  // No waiting for "100 Continue" before a large body.
  AppendToCurlSlist(headerList, "Expect:");
  SetOption(curl, CURLOPT_HTTPHEADER, headerList.get());

  SetOption(curl, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  SetOption(curl, CURLOPT_HEADERDATA, &transfer);
  SetOption(curl, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  SetOption(curl, CURLOPT_WRITEDATA, &transfer);

  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  FResponseCode = status > 0 ? static_cast<int>(status) : -1;

  if (transfer.error) std::rethrow_exception(transfer.error);
  if (code != CURLE_OK) throw std::runtime_error(DescribeFailure(code, errorText));
  if (FResponseCode >= 400 && !Options.ErrorStatusIsResponse) {
    throw std::runtime_error(FStatusLine.empty() ? "HTTP " + std::to_string(FResponseCode)
                                                 : FStatusLine);
  }
}

std::string TAPI::Consumir(std::int32_t /*tempo*/) {
  resposeCode = -1;
  Retorno.clear();
  Options.ReadTimeoutMs = kConsumirReadTimeoutMs;
  std::string result;
  std::string buffer;
  try {
    Body sink{&buffer};
    switch (Method) {
      case TMethod::POST: {
        const std::string body = Params.Text();
        Executar("POST", &body, nullptr, sink);
        if (FResponseCode == 200) {
          result = buffer;
        } else {
          Log(WWWAuthenticateText());
        }
        break;
      }
      case TMethod::GET:
        Executar("GET", nullptr, nullptr, sink);
        result = buffer;
        break;
      case TMethod::PUT: {
        const std::string empty;
        Executar("PUT", &empty, nullptr, sink);
        break;
      }
    }
    resposeCode = FResponseCode;
    Log("URL: " + URL + " - Response Code: " + std::to_string(resposeCode));
    Log(buffer);
    result = ReduceToPrintableAscii(result);
  } catch (const std::exception& e) {
    result.clear();
    resposeCode = -1;
    Log(e.what() + Retorno + " " + WWWAuthenticateText());
  } catch (...) {
    result.clear();
    resposeCode = -1;
    Log("Erro desconhecido na requisição HTTP " + Retorno + " " + WWWAuthenticateText());
  }
  Log("");
  Log("");
  return result;
}

std::string TAPI::ConsumirBody(const std::string& JsonStream, std::int32_t tempo) {
  Retorno.clear();
  Options.ReadTimeoutMs = tempo;
  std::string result;
  std::string buffer;
  try {
    Body sink{&buffer};
    switch (Method) {
      case TMethod::POST:
      case TMethod::PUT:
        Executar(Method == TMethod::POST ? "POST" : "PUT", &JsonStream, &kJsonContentType, sink);
        if (FResponseCode == 200) {
          result = buffer;
        } else {
          Log(WWWAuthenticateText());
        }
        break;
      case TMethod::GET:
        Executar("GET", nullptr, nullptr, sink);
        result = buffer;
        break;
    }
    Log("URL: " + URL + " - Response Code: " + std::to_string(FResponseCode));
    Log(buffer);
    result = ReduceToPrintableAscii(result);
  } catch (const std::exception& e) {
    result.clear();
    Log(std::string(e.what()) + " " + WWWAuthenticateText());
  } catch (...) {
    result.clear();
    Log("Erro desconhecido na requisição HTTP " + WWWAuthenticateText());
  }
  Log("");
  Log("");
  return result;
}

void TAPI::PostForm() {
  Retorno.clear();
  std::string form;
  for (const std::string& line : Params) {
    if (!form.empty()) form += '&';
    const auto equals = line.find('=');
    form += PercentEncode(std::string_view(line).substr(0, equals), true);
    if (equals != std::string::npos) {
      form += '=';
      form += PercentEncode(std::string_view(line).substr(equals + 1), true);
    }
  }
  Body sink{&Retorno};
  Executar("POST", &form, &kFormContentType, sink);
}

std::string TAPI::GetText() {
  std::string text;
  Body sink{&text};
  Executar("GET", nullptr, nullptr, sink);
  // A redirect that was not followed carries no text of the resource.
  if ((FResponseCode < 200 || FResponseCode >= 300) && !Options.ErrorStatusIsResponse) {
    throw std::runtime_error(FStatusLine.empty() ? "HTTP " + std::to_string(FResponseCode)
                                                 : FStatusLine);
  }
  return text;
}

void TAPI::BaixarArquivo(const fs::path& Destino, const DownloadProgress& progresso) {
  fs::path partial = Destino;
  partial += ".part";
  std::ofstream out(partial, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("Não foi possível criar o arquivo " + partial.string());
  Body sink{nullptr, &out, &progresso};
  try {
    Executar("GET", nullptr, nullptr, sink);
    if (FResponseCode < 200 || FResponseCode >= 300) {
      throw std::runtime_error(
          "Download recusado: " +
          (FStatusLine.empty() ? "HTTP " + std::to_string(FResponseCode) : FStatusLine));
    }
    out.close();
    if (!out) throw std::runtime_error("Falha ao gravar o arquivo " + partial.string());
    if (!sink.reported && progresso) progresso(sink.written, sink.written);
    fs::rename(partial, Destino);
  } catch (...) {
    out.close();
    std::error_code ec;
    fs::remove(partial, ec);
    throw;
  }
}
