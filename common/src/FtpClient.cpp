#include "common/FtpClient.h"

#include <curl/curl.h>

#include <cstdio>
#include <stdexcept>

#include "common/CurlSupport.h"

namespace {

struct FileClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string Escape(CURL* h, const std::string& segment) {
  char* e = curl_easy_escape(h, segment.c_str(), static_cast<int>(segment.size()));
  if (!e) throw std::runtime_error("Falha ao montar o endereço FTP");
  std::string out = e;
  curl_free(e);
  return out;
}

size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

size_t Collect(char* data, size_t size, size_t n, void* user) {
  static_cast<std::string*>(user)->append(data, size * n);
  return size * n;
}

size_t ReadFromFile(char* buffer, size_t size, size_t n, void* user) {
  return std::fread(buffer, size, n, static_cast<std::FILE*>(user));
}

struct ProgressContext {
  const FtpClient::Progress* Callback;
  std::int64_t Total;
};

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
  auto* ctx = static_cast<ProgressContext*>(user);
  if (ctx->Callback && *ctx->Callback) (*ctx->Callback)(ulnow, ctx->Total);
  return 0;
}

}  // namespace

struct FtpClient::Handle {
  CurlEasyHandle Curl;
  char Error[CURL_ERROR_SIZE] = {};
};

FtpClient::FtpClient(Settings settings) : FSettings(std::move(settings)) {}

FtpClient::~FtpClient() = default;

std::string FtpClient::Absolute(const std::string& path) const {
  if (!path.empty() && path.front() == '/') return path;
  std::string base = FCurrentDir;
  if (base.empty() || base.back() != '/') base += '/';
  return base + path;
}

std::string FtpClient::UrlFor(const std::string& absolutePath) const {
  std::string url = "ftp://" + FSettings.Host + ":" + std::to_string(FSettings.Port) + "/";
  // "%2F" keeps the path absolute from the server's root rather than the login folder.
  url += "%2F";
  size_t start = 1;
  while (start <= absolutePath.size()) {
    size_t end = absolutePath.find('/', start);
    if (end == std::string::npos) end = absolutePath.size();
    const std::string segment = absolutePath.substr(start, end - start);
    if (!segment.empty()) {
      url += Escape(FHandle->Curl.get(), segment);
      if (end < absolutePath.size()) url += '/';
    }
    start = end + 1;
  }
  return url;
}

void FtpClient::Connect() {
  FHandle = std::make_unique<Handle>();
  FHandle->Curl = NewCurlEasyHandle();
  CURL* h = FHandle->Curl.get();
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, FHandle->Error);
  curl_easy_setopt(h, CURLOPT_USERNAME, FSettings.User.c_str());
  curl_easy_setopt(h, CURLOPT_PASSWORD, FSettings.Password.c_str());
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(FSettings.ConnectTimeout.count()));
  const long stallSeconds = static_cast<long>(std::max<std::int64_t>(
      1, std::chrono::duration_cast<std::chrono::seconds>(FSettings.StallTimeout).count()));
  curl_easy_setopt(h, CURLOPT_FTP_RESPONSE_TIMEOUT, stallSeconds);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stallSeconds);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  if (!FSettings.Passive) curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Discard);
  curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);  // binary
  FCurrentDir = "/";
  // Log in by asking for the root folder without transferring anything.
  curl_easy_setopt(h, CURLOPT_URL, UrlFor("/").c_str());
  curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  const CURLcode rc = curl_easy_perform(h);
  curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
  if (rc != CURLE_OK) {
    const std::string why = FHandle->Error[0] ? FHandle->Error : curl_easy_strerror(rc);
    FHandle.reset();
    throw std::runtime_error("Falha ao conectar em " + FSettings.Host + ":" +
                             std::to_string(FSettings.Port) + ": " + why);
  }
  FConnected = true;
}

void FtpClient::Disconnect() {
  // Dropping the handle sends QUIT on the open control connection.
  FHandle.reset();
  FConnected = false;
}

namespace {
[[noreturn]] void Fail(const std::string& step, CURL* h, const char* errbuf, CURLcode rc) {
  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  std::string why = errbuf && errbuf[0] ? errbuf : curl_easy_strerror(rc);
  if (code > 0) why += " (resposta do servidor: " + std::to_string(code) + ")";
  throw std::runtime_error(step + ": " + why);
}
}  // namespace

void FtpClient::Command(const std::string& step, const std::string& ftpCommand) {
  if (!FConnected) throw std::runtime_error(step + ": não conectado ao FTP");
  CURL* h = FHandle->Curl.get();
  FHandle->Error[0] = '\0';
  CurlSlist quote;
  AppendToCurlSlist(quote, ftpCommand);
  curl_easy_setopt(h, CURLOPT_URL, UrlFor("/").c_str());
  curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(h, CURLOPT_QUOTE, quote.get());
  const CURLcode rc = curl_easy_perform(h);
  curl_easy_setopt(h, CURLOPT_QUOTE, nullptr);
  curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
  if (rc != CURLE_OK) Fail(step, h, FHandle->Error, rc);
}

void FtpClient::ChangeDir(const std::string& path) {
  const std::string target = Absolute(path);
  Command("Falha ao acessar " + target, "CWD " + target);
  FCurrentDir = target;
}

void FtpClient::MakeDir(const std::string& path) {
  const std::string target = Absolute(path);
  Command("Falha ao criar " + target, "MKD " + target);
}

void FtpClient::Delete(const std::string& path) {
  const std::string target = Absolute(path);
  Command("Falha ao apagar " + target, "DELE " + target);
}

std::vector<std::string> FtpClient::NameList(const std::string& path) {
  const std::string step = "Falha ao listar " + path;
  if (!FConnected) throw std::runtime_error(step + ": não conectado ao FTP");
  CURL* h = FHandle->Curl.get();
  FHandle->Error[0] = '\0';
  std::string body;
  // NLST with the argument as given (made absolute only away from the login folder), so the
  // names come back the way the server writes them. The URL carries no path: with one, curl
  // would append it to the custom command.
  const std::string request = "NLST " + (FCurrentDir == "/" ? path : Absolute(path));
  curl_easy_setopt(
      h, CURLOPT_URL,
      ("ftp://" + FSettings.Host + ":" + std::to_string(FSettings.Port) + "/").c_str());
  curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  const CURLcode rc = curl_easy_perform(h);
  curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Discard);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
  if (rc != CURLE_OK) Fail(step, h, FHandle->Error, rc);
  std::vector<std::string> names;
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    std::string name = body.substr(start, end - start);
    if (!name.empty() && name.back() == '\r') name.pop_back();
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return names;
}

void FtpClient::Store(const std::filesystem::path& localFile, const std::string& remoteName,
                      const Progress& progress) {
  const std::string target = Absolute(remoteName);
  const std::string step = "Falha ao enviar " + localFile.filename().string();
  if (!FConnected) throw std::runtime_error(step + ": não conectado ao FTP");
  std::unique_ptr<std::FILE, FileClose> file(std::fopen(localFile.c_str(), "rb"));
  if (!file) throw std::runtime_error(step + ": não foi possível abrir " + localFile.string());
  std::error_code ec;
  const auto size = static_cast<std::int64_t>(std::filesystem::file_size(localFile, ec));
  CURL* h = FHandle->Curl.get();
  FHandle->Error[0] = '\0';
  ProgressContext ctx{&progress, ec ? 0 : size};
  curl_easy_setopt(h, CURLOPT_URL, UrlFor(target).c_str());
  curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(h, CURLOPT_APPEND, 0L);
  curl_easy_setopt(h, CURLOPT_READFUNCTION, ReadFromFile);
  curl_easy_setopt(h, CURLOPT_READDATA, file.get());
  curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(ec ? -1 : size));
  curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, 1024L * 1024L);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, progress ? 0L : 1L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &ctx);
  const CURLcode rc = curl_easy_perform(h);
  curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
  curl_easy_setopt(h, CURLOPT_READDATA, nullptr);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
  if (rc != CURLE_OK) Fail(step, h, FHandle->Error, rc);
  if (std::ferror(file.get()))
    throw std::runtime_error(step + ": erro de leitura em " + localFile.string());
}

std::optional<std::int64_t> FtpClient::RemoteSize(const std::string& path) {
  const std::string target = Absolute(path);
  if (!FConnected)
    throw std::runtime_error("Falha ao consultar " + target + ": não conectado ao FTP");
  CURL* h = FHandle->Curl.get();
  FHandle->Error[0] = '\0';
  curl_easy_setopt(h, CURLOPT_URL, UrlFor(target).c_str());
  curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  const CURLcode rc = curl_easy_perform(h);
  curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
  if (rc == CURLE_REMOTE_FILE_NOT_FOUND || rc == CURLE_FTP_COULDNT_RETR_FILE) return std::nullopt;
  if (rc != CURLE_OK) Fail("Falha ao consultar " + target, h, FHandle->Error, rc);
  curl_off_t length = -1;
  curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  if (length < 0) return std::nullopt;
  return static_cast<std::int64_t>(length);
}
