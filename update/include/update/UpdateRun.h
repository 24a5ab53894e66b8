#pragma once
// One update run, the steps the updater window starts on its worker: check that the update host
// answers, look at the running processes, download "/Brisane/Backup.zip" to "Backup.zip" in the
// executable's folder (streamed to disk), and put the new version in place all or nothing: the
// archive is unpacked into a work folder beside the executable and checked (it must hold the
// executable, and no entry may leave the folder), then the old executable becomes "Backup.old"
// and the new files take their places; if any step fails, every file is put back as it was.
//
//   UpdateRun run(UpdateSettings::FromDeployment(), &view);
//   run.Executar(true);   // never throws; a failure is one log line
//
// Use UpdateRunner to run it on a worker thread with the process-wide update-running flag.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/TFuncoesIFood.h"

enum class UpdateOutcome {
  Atualizado,  // the new version is in place; it runs from the next start
  SemConexao,  // the update host did not answer: nothing was downloaded or moved
  Falhou,      // a step failed: the folder is as it was (the log says why)
};

// What an update run shows. Called on the run's thread: an implementation hands each call to its
// own thread (the window queues it to the user-interface thread) and returns at once.
class UpdateView {
 public:
  virtual ~UpdateView() = default;
  // A balloon of the notification-area icon (title "Atualização do Sistema").
  virtual void ShowBalloonHint(const std::string& mensagem) = 0;
  // The download's progress: bytes received so far and the announced size (-1 when unknown).
  // (0, -1) comes once before the download starts and sets the bar back to 0.
  virtual void DownloadProgress(std::int64_t recebidos, std::int64_t total) = 0;
  // The run has ended; the window closes (in background mode after the balloon's time).
  virtual void RunFinished(UpdateOutcome outcome) = 0;
};

// An UpdateView without a window: balloons become log lines, the rest is not shown.
class LogUpdateView final : public UpdateView {
 public:
  void ShowBalloonHint(const std::string& mensagem) override { FFuncao.GravarLog(mensagem); }
  void DownloadProgress(std::int64_t, std::int64_t) override {}
  void RunFinished(UpdateOutcome) override {}

 private:
  TFuncoesIFood FFuncao;
};

struct UpdateSettings {
  std::string UrlBase;          // the update host, e.g. "http://host:port"
  std::filesystem::path Pasta;  // the executable's folder
  // How long the connectivity check waits for the host.
  std::chrono::milliseconds TempoConexao{5000};

  // Atualizacao/URL of the deployment settings and the running executable's folder.
  [[nodiscard]] static UpdateSettings FromDeployment();
};

class UpdateRun {
 public:
  static constexpr const char* kBalaoDownload = "Realizando download da atualização do sistema...";
  static constexpr const char* kBalaoConcluido =
      "Atualização concluída! Reinicie o sistema para que a nova versão entre em vigor.";
  static constexpr const char* kExecutavelAnterior = "Backup.old";
  static constexpr const char* kArquivoAtualizacao = "Backup.zip";
  // Beside the executable while a run works; removed when it ends.
  static constexpr const char* kPastaTrabalho = ".atualizacao";

  // `view` may be null (nobody watching). A download aborts when `cancelar` turns true.
  UpdateRun(UpdateSettings settings, UpdateView* view, const std::atomic<bool>* cancelar = nullptr);

  // Runs the steps: in background mode (emSegundoPlano) with the two balloons; otherwise the
  // new executable is started and this program asked to end once the update is in place. Never
  // throws; a failure is logged and leaves the folder as it was.
  UpdateOutcome Executar(bool emSegundoPlano) noexcept;

  // --- The steps ------------------------------------------------------------------------------
  // Whether a TCP connection to the update host opens within TempoConexao.
  [[nodiscard]] bool PossuiConexaoInternet() const noexcept;
  // Whether a listable process runs an executable named `nome` (letter case ignored).
  [[nodiscard]] static bool ProcessoEmExecucao(std::string_view nome) noexcept;
  // Asks every process that runs exactly the file `executavel`, other than this one, to end;
  // returns how many were asked. Processes elsewhere that merely share its name are left alone.
  static int EncerrarProcesso(const std::filesystem::path& executavel) noexcept;
  // Downloads the archive into `destino` (after a (0, -1) progress event), following redirects.
  // Throws when the download fails or is cut short (fewer bytes than announced), or when what
  // arrived is no readable archive; nothing is left at `destino` then.
  void BaixarArquivo(const std::filesystem::path& destino) const;
  // Puts the downloaded archive (as "Backup.zip") and its contents in place, all or nothing (see
  // above), working in the work folder. Throws when anything fails, after putting every file
  // back.
  void SubstituirExecutavel(const std::filesystem::path& arquivo) const;

  [[nodiscard]] const std::filesystem::path& PastaExecutavel() const { return FSettings.Pasta; }

 private:
  // The work folder, the download into it and the replacement; the work folder goes at the end.
  void BaixarAtualizacao();
  [[nodiscard]] std::filesystem::path PastaTrabalho() const;

  UpdateSettings FSettings;
  UpdateView* FView;
  const std::atomic<bool>* FCancelar;
  TFuncoesIFood FFuncao;
};
