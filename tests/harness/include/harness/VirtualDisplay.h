#pragma once
// An X server of the test's own (Xvfb) on a free display number, optionally with a notification
// area host (trayer), for the window's smoke tests and benchmarks. Both are stopped by process
// id when the object goes away.
//
//   harness::VirtualDisplay display(/*withTray=*/true);
//   ChildProcess app({.Args = {exe}, .ExtraEnv = display.Env()});
//   display.Run({"xdotool", "search", "--onlyvisible", "--name", "Brisane"}, &out);

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "harness/ChildProcess.h"

namespace harness {

class VirtualDisplay {
 public:
  // Throws std::runtime_error when no X server (or tray host) comes up.
  explicit VirtualDisplay(bool withTray);
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  [[nodiscard]] std::string Name() const { return ":" + std::to_string(FNumber); }
  [[nodiscard]] std::map<std::string, std::string> Env() const { return {{"DISPLAY", Name()}}; }

  // Runs an X tool from /usr/bin (xdotool, import...) on this display; its exit code, and its
  // output in *output when given.
  int Run(const std::vector<std::string>& args, std::string* output = nullptr) const;
  // Ids of the windows xdotool finds with these search arguments ("--name", "Brisane"...).
  [[nodiscard]] std::vector<std::string> Search(const std::vector<std::string>& args) const;

 private:
  int FNumber = -1;
  std::unique_ptr<ChildProcess> FServer;
  std::unique_ptr<ChildProcess> FTray;
};

}  // namespace harness
