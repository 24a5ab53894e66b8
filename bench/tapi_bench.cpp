// Sequential requests to a loopback stand-in: one TAPI reused for every request, a new TAPI per
// request, and the curl program started once per request from a shell loop, side by side in one
// run. Reusing the client keeps one connection open, so it should beat both by a wide margin.
//   tapi_bench [requests]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "common/TAPI.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"

namespace {

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count();
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "tapi_bench: %s\n", what);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::atoi(argv[1]) : 1000;
  harness::ScratchDir scratch;  // the clients' logs go here
  harness::HttpStandIn web;
  web.On("GET", "/order/v1.0/events:polling", harness::StandInReply{.Body = "[]"});
  const std::string url = web.Url("/order/v1.0/events:polling");

  const double reused = Seconds([&] {
    TAPI api(true);
    api.Method = TMethod::GET;
    api.URL = url;
    api.Dir_Log = "BENCH\\";
    for (int i = 0; i < requests; ++i) Check(api.Consumir(30000) == "[]", "resposta errada");
  });

  const double fresh = Seconds([&] {
    for (int i = 0; i < requests; ++i) {
      TAPI api(true);
      api.Method = TMethod::GET;
      api.URL = url;
      api.Dir_Log = "BENCH\\";
      Check(api.Consumir(30000) == "[]", "resposta errada");
    }
  });

  const std::string loop = "i=0; while [ $i -lt " + std::to_string(requests) +
                           " ]; do curl -s -o /dev/null '" + url + "' || exit 1; i=$((i+1)); done";
  const double program =
      Seconds([&] { Check(std::system(loop.c_str()) == 0, "o laço do curl falhou"); });

  std::printf("%d requisições GET sequenciais a um servidor em 127.0.0.1\n", requests);
  std::printf("%-34s %10s %14s\n", "cliente", "segundos", "requisições/s");
  std::printf("%-34s %10.3f %14.0f\n", "TAPI reutilizado", reused, requests / reused);
  std::printf("%-34s %10.3f %14.0f\n", "TAPI novo a cada requisição", fresh, requests / fresh);
  std::printf("%-34s %10.3f %14.0f\n", "programa curl (laço no shell)", program,
              requests / program);
  std::printf("razão (curl / TAPI reutilizado): %.1f\n", program / reused);
  std::printf("razão (TAPI novo / TAPI reutilizado): %.1f\n", fresh / reused);
  return 0;
}
