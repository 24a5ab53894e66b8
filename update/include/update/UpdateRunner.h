#pragma once
// Starts update runs on a worker thread of their own, one at a time in the whole process: the
// update-running flag is set while a run works, and a start while it is set is refused with a
// log line. The view is shared with the run, so a window closed meanwhile is not used after it
// is gone (the view's implementation drops calls for a window that no longer exists).
//
//   UpdateRunner runner;                          // one per program
//   runner.ExecutarAtualizacao(true, view);       // returns at once
//   ...
//   runner.Wait();                                // before the program ends

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "update/UpdateRun.h"

class UpdateRunner {
 public:
  static constexpr const char* kAtualizacaoIgnorada =
      "Atualização do sistema já em andamento; execução ignorada";

  UpdateRunner() = default;
  // Interrupts a download in progress and waits for the run to end.
  ~UpdateRunner();
  UpdateRunner(const UpdateRunner&) = delete;
  UpdateRunner& operator=(const UpdateRunner&) = delete;

  // Starts one run (UpdateRun::Executar) on a new thread; the view's RunFinished comes at its
  // end, then the flag is cleared. False, with one log line, while any run of this process is in
  // progress.
  bool ExecutarAtualizacao(bool emSegundoPlano, std::shared_ptr<UpdateView> view,
                           UpdateSettings settings = UpdateSettings::FromDeployment());

  // The process-wide update-running flag.
  [[nodiscard]] static bool AtualizacaoEmAndamento() noexcept;

  // Makes a download in progress fail (nothing in the folder changes); the run then ends.
  void Cancel() noexcept { FCancelar = true; }
  // Blocks until the run started here (if any) has ended.
  void Wait();

 private:
  std::mutex FMutex;  // guards FThread between starts and Wait
  std::thread FThread;
  std::atomic<bool> FCancelar{false};
};
