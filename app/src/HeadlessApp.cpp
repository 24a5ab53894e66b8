#include "HeadlessApp.h"

#include <csignal>

#include "common/TFuncoesIFood.h"

namespace {
constexpr const char* kCaption = "Brisane | by Corvatec";
}

int RunHeadless() {
  // Block the stop signals before any thread starts, then wait for one of them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  TFuncoesIFood funcoes;
  funcoes.GravarLog(std::string("Inicializando a aplicação - ") + kCaption);

  int received = 0;
  sigwait(&stopSignals, &received);
  return 0;
}
