#include "update/UpdateRunner.h"

#include <utility>

#include "common/TFuncoesIFood.h"

namespace {
// Set from the start of a run until after its view heard the end.
std::atomic<bool> gAtualizacaoEmAndamento{false};
}  // namespace

UpdateRunner::~UpdateRunner() {
  Cancel();
  Wait();
}

bool UpdateRunner::AtualizacaoEmAndamento() noexcept { return gAtualizacaoEmAndamento.load(); }

bool UpdateRunner::ExecutarAtualizacao(bool emSegundoPlano, std::shared_ptr<UpdateView> view,
                                       UpdateSettings settings) {
  if (gAtualizacaoEmAndamento.exchange(true)) {
    TFuncoesIFood().GravarLog(kAtualizacaoIgnorada);
    return false;
  }
  try {
    std::lock_guard lock(FMutex);
    // The previous run has cleared the flag, so its thread is ending or has ended.
    if (FThread.joinable()) FThread.join();
    FCancelar = false;
    FThread = std::thread(
        [emSegundoPlano, view = std::move(view), settings = std::move(settings), this]() noexcept {
          UpdateRun run(settings, view.get(), &FCancelar);
          const UpdateOutcome outcome = run.Executar(emSegundoPlano);
          try {
            if (view) view->RunFinished(outcome);
          } catch (...) {
            TFuncoesIFood().GravarLog("Atualização do sistema: falha ao encerrar a janela");
          }
          gAtualizacaoEmAndamento = false;
        });
  } catch (const std::exception& e) {
    gAtualizacaoEmAndamento = false;
    TFuncoesIFood().GravarLog(std::string("Falha ao iniciar a atualização do sistema: ") +
                              e.what());
    return false;
  }
  return true;
}

void UpdateRunner::Wait() {
  std::lock_guard lock(FMutex);
  if (FThread.joinable()) FThread.join();
}
