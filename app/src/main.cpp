// Program entry: the one-shot commands, headless mode and (with a display) the window.
#include <iostream>
#include <string>
#include <vector>

#include "HeadlessApp.h"
#include "common/FileVersion.h"

namespace {

void PrintHelp() {
  std::cout << "Uso: Backup [comando]\n"
               "\n"
               "Comandos:\n"
               "  --headless     executa o agente sem janela (temporizadores e rotinas) até SIGTERM\n"
               "  --version      mostra a versão do programa\n"
               "  --help         mostra esta ajuda\n";
}

}  // namespace

int main(int argc, char** argv) {
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
  for (const std::string& a : args) {
    if (a == "--headless") return RunHeadless();
  }
  if (!args.empty()) {
    std::cerr << "Comando desconhecido: " << args.front() << "\n";
    PrintHelp();
    return 2;
  }
  return RunHeadless();
}
