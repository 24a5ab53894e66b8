#pragma once
// The shell's settings: section `Settings` of configuracao.ini beside the executable, found
// there whatever the working directory is. Read at start-up and after a store ID consultation;
// "Salvar" writes the extra folder. Each call opens the file; nothing is cached.

#include <filesystem>
#include <string>

struct ShellSettings {
  bool FirstRun = true;  // read, as always, and used by nothing
  int idLoja = -1;
  int Matriz = -1;
  std::string CaminhoExtra;
};

std::filesystem::path ConfiguracaoIniPath();
// Missing file, section or key give the defaults above; creates nothing.
ShellSettings ReadShellSettings();
// Writes Settings/CaminhoExtra; throws naming the file when it can't be written.
void WriteCaminhoExtra(const std::string& caminho);

// Title bar texts: 17 spaces and the trade name; after a store ID consultation also a carriage
// return, " | ID: " and the store's ID.
std::string MainTitle(const std::string& fantasia);
std::string MainTitleWithStoreId(const std::string& fantasia, int idLoja);
