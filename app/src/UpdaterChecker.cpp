#include "UpdaterChecker.h"

#include <memory>

#include "TfAtualizadorAutomatico.h"

bool UpdaterChecker::ExisteAtualizacao() { return TfAtualizadorAutomatico::ExisteAtualizacao(); }

void UpdaterChecker::AtualizarVersao(bool emSegundoPlano) {
  if (FWindowed) {
    TfAtualizadorAutomatico::AtualizarVersao(FRunner, emSegundoPlano);
  } else {
    // Without a display the run is a background one, like the window's.
    (void)FRunner.ExecutarAtualizacao(true, std::make_shared<LogUpdateView>());
  }
}
