#include "harness/VirtualDisplay.h"

#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "harness/Harness.h"

namespace harness {

namespace {

bool DisplayInUse(int n) {
  std::error_code ec;
  return std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock", ec) ||
         std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n), ec);
}

}  // namespace

VirtualDisplay::VirtualDisplay(bool withTray) {
  // Spread concurrent test processes over the numbers; a number taken between the check and
  // the start makes that server exit, and the next one is tried.
  const int first = 200 + static_cast<int>(::getpid() % 500);
  for (int n = first; n < first + 100 && !FServer; ++n) {
    if (DisplayInUse(n)) continue;
    ChildProcess::Options options;
    options.Args = {"/usr/bin/Xvfb", ":" + std::to_string(n), "-screen", "0", "1280x1024x24",
                    "-nolisten", "tcp",
                    // Otherwise the server resets whenever its last client leaves, and a
                    // client connecting meanwhile is refused.
                    "-noreset"};
    auto server = std::make_unique<ChildProcess>(std::move(options));
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    WaitUntil([&] { return std::filesystem::exists(socket) || !server->Running(); },
              std::chrono::seconds(20));
    if (server->Running() && std::filesystem::exists(socket)) {
      FNumber = n;
      FServer = std::move(server);
    }
  }
  if (!FServer) throw std::runtime_error("Xvfb não iniciou em nenhuma tela livre");
  // The display answers once a client can query it.
  if (!WaitUntil([&] { return Run({"xdotool", "getdisplaygeometry"}) == 0; })) {
    throw std::runtime_error("Xvfb não respondeu em " + Name());
  }
  if (withTray) {
    ChildProcess::Options options;
    options.Args = {"/usr/bin/trayer", "--edge",  "top",     "--align",  "right", "--widthtype",
                    "pixel",           "--width", "120",     "--height", "32",    "--transparent",
                    "false",           "--tint",  "0x333333"};
    options.ExtraEnv = Env();
    const auto log = std::filesystem::current_path() / ("trayer" + Name().substr(1) + ".txt");
    options.OutputFile = log;
    FTray = std::make_unique<ChildProcess>(std::move(options));
    if (!WaitUntil([&] { return !Search({"--class", "trayer"}).empty(); })) {
      std::string output;
      std::error_code ec;
      if (std::filesystem::exists(log, ec)) output = ReadFile(log);
      throw std::runtime_error("trayer não iniciou em " + Name() + ": " + output);
    }
  }
}

VirtualDisplay::~VirtualDisplay() {
  if (FTray) FTray->Stop();
  if (FServer) FServer->Stop();
}

int VirtualDisplay::Run(const std::vector<std::string>& args, std::string* output) const {
  std::vector<std::string> full = args;
  if (!full.empty() && full.front().find('/') == std::string::npos) {
    full.front() = "/usr/bin/" + full.front();
  }
  return RunCommand(full, output, Env());
}

std::vector<std::string> VirtualDisplay::Search(const std::vector<std::string>& args) const {
  std::vector<std::string> command{"xdotool", "search"};
  command.insert(command.end(), args.begin(), args.end());
  std::string out;
  Run(command, &out);
  std::vector<std::string> ids;
  std::istringstream lines(out);
  for (std::string id; std::getline(lines, id);) {
    if (!id.empty()) ids.push_back(id);
  }
  return ids;
}

}  // namespace harness
