// The key store operations of TFuncoesIFood (the registry of the original) and the run-once
// entries.
#include <exception>

#include "common/TFuncoesIFood.h"
#include "common/platform/KeyStore.h"
#include "common/platform/Process.h"

namespace {
constexpr char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
}  // namespace

std::string TFuncoesIFood::EscreverRegistro(const std::string& Chave, const std::string& Valor,
                                            const std::string& Conteudo) const {
  platform::KeyStore().Write(Chave, Valor, Conteudo);
  return {};
}

std::string TFuncoesIFood::LerRegistro(const std::string& Chave, const std::string& valor) const {
  try {
    return platform::KeyStore().Read(Chave, valor).value_or("");
  } catch (const std::exception&) {
    return {};  // no store for this user: nothing to read
  }
}

void TFuncoesIFood::ExecutarAoIniciar(const std::string& sProgTitle, const std::string& sCmdLine,
                                      bool bRunOnce) const {
  platform::KeyStore store;
  if (bRunOnce) {
    store.Write(kRunOnce, sProgTitle, sCmdLine);
  } else {
    store.Delete(kRunOnce, sProgTitle);
  }
}

void TFuncoesIFood::ExecutarEntradasRunOnce() {
  platform::KeyStore store;
  for (const std::string& name : store.Names(kRunOnce)) {
    const auto command = store.Read(kRunOnce, name);
    // Removed before it runs: a command that fails, hangs or restarts the machine must not run
    // again at every start. A store that can't be written stops here, before anything runs.
    store.Delete(kRunOnce, name);
    if (!command || command->empty()) continue;
    try {
      platform::StartDetached({"/bin/sh", "-c", *command});
    } catch (const std::exception& e) {
      // The command itself may hold secrets; the entry's name says enough.
      TFuncoesIFood().GravarLog("Não foi possível executar a entrada de inicialização " + name +
                                ": " + e.what());
    }
  }
}
