#include "FirebirdClient.h"

#include <iberror.h>

#include <atomic>
#include <stdexcept>

#include "common/Errors.h"
#include "common/platform/SharedLibrary.h"

namespace firebird_client {

namespace {
constexpr const char* kDefaultLibrary = "libfbclient.so.2";
std::atomic<bool> gShutDown{false};
}  // namespace

void MarkClientShutDown() { gShutDown = true; }
bool ClientShutDown() { return gShutDown; }

Firebird::IMaster* Master(const std::string& library) {
  const std::string name = library.empty() ? kDefaultLibrary : library;
  try {
    using EntryPoint = Firebird::IMaster* (*)();
    auto entry =
        reinterpret_cast<EntryPoint>(platform::LoadLibrarySymbol(name, "fb_get_master_interface"));
    Firebird::IMaster* master = entry();
    if (!master) throw std::runtime_error(name + " não entregou sua interface");
    return master;
  } catch (const std::runtime_error& e) {
    throw EClientLibraryError("Biblioteca cliente do Firebird indisponível: " +
                              std::string(e.what()));
  }
}

std::string FormatStatus(Firebird::IMaster* master, Firebird::IStatus* status) {
  char buffer[4096];
  const unsigned length =
      master->getUtilInterface()->formatStatus(buffer, sizeof(buffer) - 1, status);
  std::string text(buffer, length < sizeof(buffer) ? length : sizeof(buffer) - 1);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "erro desconhecido do Firebird";
  return text;
}

bool IsConnectionError(Firebird::IStatus* status) {
  // The vector is a run of (kind, value) pairs; error codes follow isc_arg_gds.
  const ISC_STATUS* v = status->getErrors();
  while (v && *v != isc_arg_end) {
    const ISC_STATUS kind = v[0];
    const ISC_STATUS value = v[1];
    if (kind == isc_arg_gds) {
      switch (value) {
        case isc_network_error:
        case isc_net_read_err:
        case isc_net_write_err:
        case isc_net_connect_err:
        case isc_lost_db_connection:
        case isc_conn_lost:
        case isc_att_shutdown:
        case isc_shutdown:
          return true;
        default:
          break;
      }
    }
    v += (kind == isc_arg_cstring) ? 3 : 2;
  }
  return false;
}

}  // namespace firebird_client
