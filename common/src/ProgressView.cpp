#include "common/ProgressView.h"

#include "common/DelphiFormat.h"

void InserirLinhaProgresso(ProgressView* view, const std::string& text, const Clock* clock) {
  if (!view) return;
  view->InsertLine(FormatDateTime("dd/mm/yyyy hh:mm:ss", ClockOr(clock).Now()) + " : " + text);
  view->ProcessEvents();
}
