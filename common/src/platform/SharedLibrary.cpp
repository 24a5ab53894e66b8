#include "common/platform/SharedLibrary.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <stdexcept>

namespace platform {

namespace {
std::mutex gMutex;
std::map<std::string, void*> gLoaded;  // never closed, see the header
}  // namespace

void* LoadLibrarySymbol(const std::string& library, const std::string& symbol) {
  std::lock_guard lock(gMutex);
  void*& handle = gLoaded[library];
  if (!handle) {
    handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
      const char* reason = ::dlerror();
      gLoaded.erase(library);
      throw std::runtime_error("não foi possível carregar " + library + ": " +
                               (reason ? reason : "motivo desconhecido"));
    }
  }
  ::dlerror();
  void* address = ::dlsym(handle, symbol.c_str());
  if (!address) {
    const char* reason = ::dlerror();
    throw std::runtime_error("símbolo " + symbol + " não encontrado em " + library + ": " +
                             (reason ? reason : "motivo desconhecido"));
  }
  return address;
}

}  // namespace platform
