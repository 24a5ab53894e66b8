#pragma once
// The updater's class-level operations: the version this program carries, the version published
// on the update host (Atualizacao/URL of the deployment settings + "/Brisane/versao"), and
// whether the running version is older. The window TfAtualizadorAutomatico forwards to these;
// an update itself is an UpdateRun, started on its worker by UpdateRunner.
//
//   if (Updater::ExisteAtualizacao()) runner.ExecutarAtualizacao(true, view);

#include <string>

class Updater {
 public:
  static constexpr const char* kCaminhoVersao = "/Brisane/versao";
  static constexpr const char* kCaminhoArquivo = "/Brisane/Backup.zip";
  static constexpr const char* kAtualizacaoDesativada =
      "Atualização automática desativada: servidor de atualização não configurado "
      "(Atualizacao/URL)";

  // The version compiled into this program, "major.minor.release.build"; "1.0.0.0" when it
  // can't be told.
  [[nodiscard]] static std::string GetVersaoExecutavelAtual() noexcept;

  // The published version text exactly as the host serves it (GET, redirects followed, TLS 1.2
  // or newer for an https host). On failure "Erro: " + what failed. Never throws.
  [[nodiscard]] static std::string GetVersaoExecutavelSite() noexcept;

  // True when VersaoAtual is older than VersaoRequerida. Equal texts are not older; otherwise
  // both must be exactly four decimal numbers separated by dots (nothing around them, not even a
  // line break), compared part by part as numbers. Throws EConvertError for any other text (the
  // "Erro: " of a failed fetch included).
  [[nodiscard]] static bool VersaoDesatualizada(const std::string& VersaoAtual,
                                                const std::string& VersaoRequerida);

  // VersaoDesatualizada(GetVersaoExecutavelAtual(), GetVersaoExecutavelSite()): throws
  // EConvertError when the host could not be asked or published no valid version. Without an
  // update host configured it is false, with one log line.
  [[nodiscard]] static bool ExisteAtualizacao();
};
