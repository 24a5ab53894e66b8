#pragma once
// The system's utility class: the log writer and file housekeeping, INI and row copies of
// described objects, ZIP helpers, text cleaning, money rounding, identity of the machine and the
// program, and the shell operations. It holds no data; each component that logs keeps its own
// instance. Paths named the system's way ("LOGS\" + Dir) are relative to the working directory.
//
// GravarLog never throws. The other operations throw std::runtime_error (or one of ours) on
// failure unless their comment says otherwise.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/Clock.h"
#include "common/Currency.h"

class Persistent;
class Query;

class TFuncoesIFood {
 public:
  explicit TFuncoesIFood(const Clock* clock = nullptr) : FClock(clock) {}

  // --- Log writer and file housekeeping --------------------------------------------------
  // Appends "yyyy-mm-dd hh:mm:ss - " + msg + CR LF to LOGS/<Dir>/<yyyy-mm-dd>.txt (an empty msg
  // writes an empty line), after purging that folder's "txt" and "log" files 10 days old. Never
  // throws; a failure goes to an error record under LOGS/<Dir>/ERRO/.
  void GravarLog(const std::string& msg, const std::string& Dir = "") const noexcept;
  // Writes valor + line break as Pedidos/<Dir>/<dd-mm-yyyy>/<Nome>.txt. Never throws.
  void GravarArquivo(const std::string& Nome, const std::string& valor,
                     const std::string& Dir) const noexcept;
  // Deletes the files of dir with extension ext last written `days` or more days ago (day D goes
  // at midnight starting day D + days). A file whose date cannot be read is skipped.
  void DeleteFileOld(const std::string& dir, int days, const std::string& ext) const;
  // Bare names of the files of Diretorio ("*" + pPesquisar + ".json" when pPesquisar is set).
  [[nodiscard]] std::vector<std::string> ListarArquivos(const std::string& Diretorio, bool Sub,
                                                        const std::string& pPesquisar) const;
  // The file's last-write date in the short date format; throws when the file can't be read.
  [[nodiscard]] std::string GetFileDate(const std::string& Arquivo) const;
  // True when a file can be created, written, closed and deleted in pDiretorio.
  static bool PossuiAcessoAPasta(const std::string& pDiretorio);

  // --- Dialogs and program control ---------------------------------------------------------
  static bool Confirm(const std::string& pMsg);
  static void TraduzirMsgDialog();
  // Runs the program and waits for it without spinning, keeping the interface alive; false when
  // it cannot be started.
  bool ExecutarEEsperar(const std::string& NomeArquivo) const;
  // An XDG .desktop entry beside FileName, named after it; the other arguments are ignored.
  void CreateShortcut(const std::string& FileName, const std::string& Parameters,
                      const std::string& InitialDir, const std::string& ShortcutName,
                      const std::string& ShortcutFolder) const;
  // Starts a new copy of the running executable and asks the application to end.
  static void ReiniciarAplicacao();

  // --- Key store (the registry of the original) -----------------------------------------------
  std::string EscreverRegistro(const std::string& Chave, const std::string& Valor,
                               const std::string& Conteudo) const;
  [[nodiscard]] std::string LerRegistro(const std::string& Chave, const std::string& valor) const;
  void ExecutarAoIniciar(const std::string& sProgTitle, const std::string& sCmdLine,
                         bool bRunOnce) const;
  // Runs and removes the run-once entries (called once at start-up).
  static void ExecutarEntradasRunOnce();

  // --- Object copies through the field descriptors -------------------------------------------
  Persistent& GravarINI(const std::string& Arquivo, const std::string& chave, Persistent& obj) const;
  Persistent& SerializarINI(const std::string& Arquivo, const std::string& chave,
                            Persistent& obj) const;
  static Persistent& SerializarObjeto(Query& lQuery, Persistent& lObjeto);

  // --- ZIP ----------------------------------------------------------------------------------
  int CriarZipFile(const std::string& FZipFile, const std::string& AFileName) const;
  int ZipFileDecompress(const std::string& FZipFile, const std::string& APath) const;

  // --- Text -----------------------------------------------------------------------------------
  [[nodiscard]] std::string ColocaTextoDireita(const std::string& Texto, int Qtd, char Ch) const;
  [[nodiscard]] std::string ColocaTextoEsquerda(const std::string& Texto, int Qtd, char Ch) const;
  static std::string preparaString(const std::string& value, bool aLimExt);

  // --- Numbers and identity -------------------------------------------------------------------
  [[nodiscard]] Currency CalcularDescontoProporcional(Currency valorItem, Currency totalDesconto,
                                                      Currency totalConta) const;
  [[nodiscard]] std::string MD5(const std::string& texto) const;
  static std::string NumeroSerieHD(const std::string& pHD);
  [[nodiscard]] int GetBuildInfo(const std::string& Prog) const;
  static bool ChecarConexaoDelivery();
  static bool ChecarConexaoGestor();

 private:
  const Clock* FClock;
};
