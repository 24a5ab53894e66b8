#pragma once
// The Firebird client library behind the dataset layer: loading it, handle owners, and turning
// the engine's status into our exceptions. Private to common/.

#include <firebird/Interface.h>

#include <string>
#include <utility>

namespace firebird_client {

// Character sets as the engine numbers them.
inline constexpr unsigned kCharSetNone = 0;
inline constexpr unsigned kCharSetOctets = 1;
inline constexpr unsigned kCharSetUtf8 = 4;

// The client's entry point in `library` (empty = the platform's libfbclient), loaded once.
// Throws EClientLibraryError when the library or its entry point is missing.
Firebird::IMaster* Master(const std::string& library);

// The engine's text for a failed call, lines joined by "\n".
std::string FormatStatus(Firebird::IMaster* master, Firebird::IStatus* status);

// True when the status names a broken or refused link to the server.
bool IsConnectionError(Firebird::IStatus* status);

// Set at program exit once our connections were closed, before the client library tears itself
// down: from then on handles are forgotten instead of released, and nothing calls the library.
void MarkClientShutDown();
bool ClientShutDown();

// A status vector for one operation, disposed with it.
class Status {
 public:
  explicit Status(Firebird::IMaster* master) : FStatus(master->getStatus()), FWrapper(FStatus) {}
  ~Status() { FStatus->dispose(); }
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  Firebird::ThrowStatusWrapper* operator&() { return &FWrapper; }

 private:
  Firebird::IStatus* FStatus;
  Firebird::ThrowStatusWrapper FWrapper;
};

// Owner of a reference-counted interface. After a closing call (detach, commit, close, free)
// succeeds the interface is gone: call Forget(); otherwise the destructor releases it.
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p) : FPtr(p) {}
  ~Ref() { Reset(); }
  Ref(Ref&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
  Ref& operator=(Ref&& o) noexcept {
    if (this != &o) {
      Reset();
      FPtr = std::exchange(o.FPtr, nullptr);
    }
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;

  [[nodiscard]] T* get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }

  void Reset(T* p = nullptr) {
    if (FPtr && !ClientShutDown()) FPtr->release();
    FPtr = p;
  }
  void Forget() { FPtr = nullptr; }

 private:
  T* FPtr = nullptr;
};

// Owner of a parameter-block builder (disposable, not reference-counted).
class XpbBuilder {
 public:
  XpbBuilder(Firebird::IMaster* master, Status& status, unsigned kind)
      : FBuilder(master->getUtilInterface()->getXpbBuilder(&status, kind, nullptr, 0)) {}
  ~XpbBuilder() { FBuilder->dispose(); }
  XpbBuilder(const XpbBuilder&) = delete;
  XpbBuilder& operator=(const XpbBuilder&) = delete;

  Firebird::IXpbBuilder* operator->() const { return FBuilder; }

 private:
  Firebird::IXpbBuilder* FBuilder;
};

}  // namespace firebird_client
