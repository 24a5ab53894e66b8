#include "backup/FirebirdBackupService.h"

#include <firebird/Interface.h>
#include <ibase.h>

#include <string>

#include "common/Database.h"
#include "common/Errors.h"

using namespace Firebird;

namespace {

// Owner for interfaces without a closing call.
template <typename T>
struct Released {
  T* Ptr = nullptr;
  explicit Released(T* p) : Ptr(p) {}
  ~Released() {
    if (!Ptr) return;
    // Builders are disposable; providers are reference-counted.
    if constexpr (requires(T * t) { t->dispose(); }) {
      Ptr->dispose();
    } else {
      Ptr->release();
    }
  }
  Released(const Released&) = delete;
  Released& operator=(const Released&) = delete;
  T* operator->() const { return Ptr; }
};

std::string EngineMessage(IUtil* util, const FbException& e) {
  char buf[1024];
  util->formatStatus(buf, sizeof buf, e.getStatus());
  return buf;
}

std::string ServiceManagerName(const std::string& host) {
  return host.empty() ? "service_mgr" : host + ":service_mgr";
}

// Reads the service's output until it ends; the lines themselves are not kept.
void Drain(ThrowStatusWrapper& status, IService* svc) {
  const unsigned char request[] = {isc_info_svc_line};
  unsigned char response[16384];
  while (true) {
    svc->query(&status, 0, nullptr, sizeof request, request, sizeof response, response);
    const unsigned char* p = response;
    bool gotLine = false;
    bool notReady = false;
    while (p < response + sizeof response && *p != isc_info_end) {
      const unsigned char tag = *p++;
      if (tag == isc_info_svc_line) {
        const auto len = static_cast<unsigned>(isc_portable_integer(p, 2));
        p += 2 + len;
        gotLine = gotLine || len > 0;
      } else if (tag == isc_info_data_not_ready) {
        notReady = true;
      } else if (tag == isc_info_truncated) {
        gotLine = true;
        break;
      } else {
        break;
      }
    }
    if (!gotLine && !notReady) return;
  }
}

}  // namespace

void RunFirebirdBackup(const FirebirdServiceSettings& settings, const std::string& database,
                       const std::string& backupFile) {
  CloseFirebirdClientAtExit();
  IMaster* master = fb_get_master_interface();
  IUtil* util = master->getUtilInterface();
  ThrowStatusWrapper status(master->getStatus());
  IService* svc = nullptr;
  try {
    Released<IProvider> provider(master->getDispatcher());
    Released<IXpbBuilder> attach(util->getXpbBuilder(&status, IXpbBuilder::SPB_ATTACH, nullptr, 0));
    attach->insertString(&status, isc_spb_user_name, settings.User.c_str());
    attach->insertString(&status, isc_spb_password, settings.Password.c_str());
    // Only the embedded engine, never a server that happens to run on this machine.
    if (settings.Host.empty()) attach->insertString(&status, isc_spb_config, "Providers=Engine12");
    svc = provider->attachServiceManager(&status, ServiceManagerName(settings.Host).c_str(),
                                         attach->getBufferLength(&status),
                                         attach->getBuffer(&status));

    Released<IXpbBuilder> start(util->getXpbBuilder(&status, IXpbBuilder::SPB_START, nullptr, 0));
    start->insertTag(&status, isc_action_svc_backup);
    start->insertString(&status, isc_spb_dbname, database.c_str());
    start->insertString(&status, isc_spb_bkp_file, backupFile.c_str());
    start->insertTag(&status, isc_spb_verbose);
    svc->start(&status, start->getBufferLength(&status), start->getBuffer(&status));
    Drain(status, svc);
    svc->detach(&status);
    svc = nullptr;
  } catch (const FbException& e) {
    const std::string message = EngineMessage(util, e);
    if (svc) svc->release();
    throw EDatabaseError(message);
  }
}
