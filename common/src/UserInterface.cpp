#include "common/UserInterface.h"

#include <atomic>

#include "common/TFuncoesIFood.h"

namespace {

// Without a display: a message box becomes one log line in the root log folder.
class HeadlessUserInterface final : public UserInterface {
 public:
  bool Confirm(const std::string&) override { return false; }
  void ShowError(const std::string& message) override { TFuncoesIFood().GravarLog(message); }
  void TranslateStandardDialogs() override {}
  void ProcessEvents() override {}
  void RequestQuit() override {}
};

HeadlessUserInterface gHeadless;
std::atomic<UserInterface*> gInstalled{nullptr};

}  // namespace

UserInterface& CurrentUserInterface() {
  UserInterface* ui = gInstalled.load();
  return ui ? *ui : gHeadless;
}

void InstallUserInterface(UserInterface* ui) { gInstalled.store(ui); }
