#pragma once
// One-shot jobs without a display. The log pane's lines go to stdout; what the window would show
// in a message box becomes a log line and a line on stderr.

#include <optional>
#include <string>

// `Backup --backup-now [PASTA_EXTRA]`: one safety backup. The extra folder is the argument, or
// Settings/CaminhoExtra of configuracao.ini beside the executable. Returns 0 when the archive was
// made (upload failures are only reported), 1 otherwise.
int RunBackupNow(const std::optional<std::string>& caminhoExtra);

// `Backup --backup-ftp`: one run of the configured backup job ("Fazer Backup") in the working
// directory. A failure is logged as the window's error handler logs it ("Erro de integração: "
// + message; a database-engine error as the headless agent reports it) and also goes to stderr.
// Returns 0 when the job ended normally, 1 when it failed.
int RunBackupFtp();
