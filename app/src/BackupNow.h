#pragma once
// `Backup --backup-now [PASTA_EXTRA]`: one safety backup without a display. The log pane's lines
// go to stdout; the error message box becomes a log line and a line on stderr. The extra folder
// is the argument, or Settings/CaminhoExtra of configuracao.ini beside the executable.
// Returns 0 when the archive was made (upload failures are only reported), 1 otherwise.

#include <optional>
#include <string>

int RunBackupNow(const std::optional<std::string>& caminhoExtra);
