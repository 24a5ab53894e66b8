#include "update/UpdateRun.h"

#include <stdexcept>
#include <system_error>
#include <utility>

#include "FolderReplacement.h"
#include "UpdateHost.h"
#include "common/DeploymentSettings.h"
#include "common/TAPI.h"
#include "common/ZipArchive.h"
#include "common/platform/InstanceLock.h"
#include "common/platform/Network.h"
#include "common/platform/Paths.h"
#include "common/platform/Process.h"
#include "common/platform/ProcessTable.h"
#include "update/Updater.h"

namespace fs = std::filesystem;

namespace {

// The download gives up after this long without a byte.
constexpr std::int32_t kTempoLeituraMs = 30000;

}  // namespace

UpdateSettings UpdateSettings::FromDeployment() {
  return UpdateSettings{Deployment().atualizacao.URL, platform::ExecutableDir()};
}

UpdateRun::UpdateRun(UpdateSettings settings, UpdateView* view, const std::atomic<bool>* cancelar)
    : FSettings(std::move(settings)), FView(view), FCancelar(cancelar) {}

fs::path UpdateRun::PastaTrabalho() const { return FSettings.Pasta / kPastaTrabalho; }

UpdateOutcome UpdateRun::Executar(bool emSegundoPlano) noexcept {
  try {
    if (emSegundoPlano && FView) FView->ShowBalloonHint(kBalaoDownload);
    if (!PossuiConexaoInternet()) {
      FFuncao.GravarLog("Atualização do sistema: sem conexão com o servidor de atualização " +
                        FSettings.UrlBase);
      return UpdateOutcome::SemConexao;
    }
    // Two programs started from one folder never update it at once.
    const platform::FolderRunLock lock(FSettings.Pasta);
    if (!lock.Free()) {
      throw std::runtime_error("Outra atualização em andamento na pasta " +
                               FSettings.Pasta.string());
    }
    // A running executable can be renamed and replaced here: only copies of this very file
    // that are not this program are asked to end, never others that share its name.
    if (!ProcessoEmExecucao(platform::kExecutableName)) {
      EncerrarProcesso(FSettings.Pasta / platform::kExecutableName);
    }
    // There is no URL cache to clear on this platform; the download asks caches on the way
    // not to answer for the host.
    BaixarAtualizacao();
    if (emSegundoPlano) {
      if (FView) FView->ShowBalloonHint(kBalaoConcluido);
    } else {
      TFuncoesIFood::ReiniciarAplicacao();
    }
    return UpdateOutcome::Atualizado;
  } catch (const std::exception& e) {
    FFuncao.GravarLog(std::string("Falha na atualização do sistema: ") + e.what());
  } catch (...) {
    FFuncao.GravarLog("Falha na atualização do sistema: erro desconhecido");
  }
  return UpdateOutcome::Falhou;
}

void UpdateRun::BaixarAtualizacao() {
  const fs::path trabalho = PastaTrabalho();
  std::error_code ec;
  if (fs::exists(fs::symlink_status(trabalho, ec))) {
    // Left by a run that was cut off (power cut, killed); the folder's files are whole either
    // way, since every change is one rename.
    FFuncao.GravarLog(
        "Atualização do sistema: removendo restos de uma atualização interrompida em " +
        trabalho.string());
    fs::remove_all(trabalho);
  }
  fs::create_directory(trabalho);
  try {
    const fs::path arquivo = trabalho / kArquivoAtualizacao;
    BaixarArquivo(arquivo);
    SubstituirExecutavel(arquivo);
  } catch (const FolderReplacement::IncompleteRollback&) {
    throw;  // the work folder keeps the originals that could not be put back
  } catch (...) {
    fs::remove_all(trabalho, ec);
    throw;
  }
  fs::remove_all(trabalho, ec);
  FFuncao.GravarLog("Atualização do sistema instalada em " + FSettings.Pasta.string() +
                    "; a versão anterior ficou em " + kExecutavelAnterior);
}

bool UpdateRun::PossuiConexaoInternet() const noexcept {
  const auto endpoint = update_host::EndpointOf(FSettings.UrlBase);
  return endpoint && platform::CanConnect(endpoint->Host, endpoint->Port, FSettings.TempoConexao);
}

bool UpdateRun::ProcessoEmExecucao(std::string_view nome) noexcept {
  for (const platform::RunningProcess& p : platform::RunningProcesses()) {
    if (platform::SameNameIgnoringCase(p.Executable.filename().string(), nome)) return true;
  }
  return false;
}

int UpdateRun::EncerrarProcesso(const fs::path& executavel) noexcept {
  int pedidos = 0;
  const int proprio = platform::CurrentProcessId();
  std::error_code ec;
  const fs::path alvo = fs::weakly_canonical(executavel, ec);
  if (ec) return 0;
  for (const platform::RunningProcess& p : platform::RunningProcesses()) {
    if (p.Pid == proprio || p.Executable != alvo) continue;
    if (platform::RequestProcessEnd(p.Pid)) ++pedidos;
  }
  return pedidos;
}

void UpdateRun::BaixarArquivo(const fs::path& destino) const {
  if (FView) FView->DownloadProgress(0, -1);
  TAPI http(true);
  http.Options.FollowRedirects = true;
  http.Options.ReadTimeoutMs = kTempoLeituraMs;
  http.SetHeader("Cache-Control", "no-cache");
  http.SetHeader("Pragma", "no-cache");
  http.URL = update_host::Address(FSettings.UrlBase, Updater::kCaminhoArquivo);
  try {
    http.BaixarArquivo(destino, [this](std::int64_t recebidos, std::int64_t total) {
      if (FCancelar && FCancelar->load()) throw std::runtime_error("Atualização interrompida");
      if (FView) FView->DownloadProgress(recebidos, total);
    });
    // A damaged archive is refused here, before anything in the folder moves.
    (void)ZipArchive::OpenForReading(destino);
  } catch (const std::exception& e) {
    std::error_code ec;
    fs::remove(destino, ec);
    throw std::runtime_error("Download de " + http.URL + " falhou: " + e.what());
  }
}

void UpdateRun::SubstituirExecutavel(const fs::path& arquivo) const {
  FolderReplacement(FSettings.Pasta, PastaTrabalho()).Apply(arquivo);
}
