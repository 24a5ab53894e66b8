// Program entry: the one-shot commands, headless mode and (with no argument) the window.
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "BackupNow.h"
#include "HeadlessApp.h"
#include "StartUp.h"
#include "common/FileVersion.h"

namespace {

void PrintHelp() {
  std::cout
      << "Uso: Backup [comando]\n"
         "\n"
         "Sem comando, abre a janela do agente (que vai para a área de notificação).\n"
         "\n"
         "Comandos:\n"
         "  --headless     executa o agente sem janela (temporizadores e rotinas) até SIGTERM\n"
         "  --backup-now [PASTA_EXTRA]\n"
         "                 faz um backup de segurança agora, sem janela, e termina\n"
         "                 (pasta extra: o argumento ou CaminhoExtra de configuracao.ini)\n"
         "  --backup-ftp   faz o backup configurado (PostgreSQL enviado ao FTP do gestor) agora,\n"
         "                 sem janela, e termina\n"
         "  --version      mostra a versão do programa\n"
         "  --help         mostra esta ajuda\n";
}

int Dispatch(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--version") {
      std::cout << CompiledVersionText() << "\n";
      return 0;
    }
    if (a == "--help" || a == "-h") {
      PrintHelp();
      return 0;
    }
  }
  if (!args.empty() && args.front() == "--backup-now") {
    if (args.size() > 2) {
      std::cerr << "Uso: Backup --backup-now [PASTA_EXTRA]\n";
      return 2;
    }
    return RunBackupNow(args.size() == 2 ? std::optional<std::string>(args[1]) : std::nullopt);
  }
  if (!args.empty() && args.front() == "--backup-ftp") {
    if (args.size() > 1) {
      std::cerr << "Uso: Backup --backup-ftp\n";
      return 2;
    }
    return RunBackupFtp();
  }
  for (const std::string& a : args) {
    if (a == "--headless") return RunHeadless(argc, argv);
  }
  if (!args.empty()) {
    std::cerr << "Comando desconhecido: " << args.front() << "\n";
    PrintHelp();
    return 2;
  }
  return RunWindowed(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Dispatch(argc, argv);
  } catch (const std::exception& e) {
    // Only start-up can get here (the loops catch everything): say why and fail.
    std::cerr << "Falha ao iniciar: " << e.what() << "\n";
    return 1;
  }
}
