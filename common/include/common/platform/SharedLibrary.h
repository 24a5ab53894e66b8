#pragma once
// Loading a shared library at run time, for client libraries the agent must survive without (the
// database client is looked up when the first connection opens, not when the program starts).

#include <string>

namespace platform {

// The address of `symbol` in `library` (a file name searched the platform's way, or a path). The
// library stays loaded for the life of the process: client libraries keep threads and handlers
// that must not be unloaded under them. Throws std::runtime_error naming the library and the
// loader's reason when either cannot be found.
void* LoadLibrarySymbol(const std::string& library, const std::string& symbol);

}  // namespace platform
