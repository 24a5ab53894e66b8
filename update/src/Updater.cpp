#include "update/Updater.h"

#include <charconv>
#include <exception>
#include <system_error>
#include <vector>

#include "UpdateHost.h"
#include "common/DeploymentSettings.h"
#include "common/Errors.h"
#include "common/FileVersion.h"
#include "common/TAPI.h"
#include "common/TFuncoesIFood.h"

namespace {

constexpr const char* kVersaoPadrao = "1.0.0.0";
// The version check waits no longer than this for a silent host.
constexpr std::int32_t kTempoLeituraMs = 30000;

// The text as it can be shown on one log line: control characters written as escapes.
std::string Visible(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 32) {
          out += '?';
        } else {
          out += c;
        }
    }
  }
  return out;
}

using Parts = std::vector<int>;

Parts ParseVersion(const std::string& text) {
  const auto invalid = [&] {
    return EConvertError("'" + Visible(text) +
                         "' não é uma versão válida (major.minor.release.build)");
  };
  Parts parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = text.find('.', start);
    const std::size_t end = dot == std::string::npos ? text.size() : dot;
    const char* first = text.data() + start;
    const char* last = text.data() + end;
    // Digits only: no sign, no spaces, no line break.
    int value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || ptr != last || *first == '-') throw invalid();
    parts.push_back(value);
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (parts.size() != 4) throw invalid();
  return parts;
}

}  // namespace

std::string Updater::GetVersaoExecutavelAtual() noexcept {
  try {
    return FileVersionText(CompiledVersion());
  } catch (...) {
    return kVersaoPadrao;
  }
}

std::string Updater::GetVersaoExecutavelSite() noexcept {
  try {
    try {
      TAPI http(true);
      http.Options.FollowRedirects = true;
      http.Options.ReadTimeoutMs = kTempoLeituraMs;
      http.URL = update_host::Address(Deployment().atualizacao.URL, kCaminhoVersao);
      return http.GetText();
    } catch (const std::exception& e) {
      return std::string("Erro: ") + e.what();
    }
  } catch (...) {
    return "Erro: falha desconhecida";
  }
}

bool Updater::VersaoDesatualizada(const std::string& VersaoAtual,
                                  const std::string& VersaoRequerida) {
  if (VersaoAtual == VersaoRequerida) return false;
  const Parts atual = ParseVersion(VersaoAtual);
  const Parts requerida = ParseVersion(VersaoRequerida);
  for (std::size_t i = 0; i < atual.size(); ++i) {
    if (atual[i] != requerida[i]) return atual[i] < requerida[i];
  }
  return false;
}

bool Updater::ExisteAtualizacao() {
  if (Deployment().atualizacao.URL.empty()) {
    // An installation without an update host has the updater switched off.
    TFuncoesIFood().GravarLog(kAtualizacaoDesativada);
    return false;
  }
  return VersaoDesatualizada(GetVersaoExecutavelAtual(), GetVersaoExecutavelSite());
}
