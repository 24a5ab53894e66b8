#include "common/UnhandledErrors.h"

#include <mutex>

#include "common/Errors.h"
#include "common/UserInterface.h"

namespace {

std::mutex gMutex;
ErrorHandler gDatabaseHandler;
ErrorHandler gGeneralHandler;

ErrorHandler Swap(ErrorHandler& slot, ErrorHandler handler) {
  std::lock_guard lock(gMutex);
  ErrorHandler previous = std::move(slot);
  slot = std::move(handler);
  return previous;
}

void Dispatch(const ErrorHandler& slot, const std::string& message) {
  ErrorHandler handler;
  {
    std::lock_guard lock(gMutex);
    handler = slot;
  }
  try {
    if (handler) {
      handler(message);
    } else {
      CurrentUserInterface().ShowError(message);
    }
  } catch (...) {
  }
}

}  // namespace

ErrorHandler SetDatabaseErrorHandler(ErrorHandler handler) {
  return Swap(gDatabaseHandler, std::move(handler));
}

ErrorHandler SetGeneralErrorHandler(ErrorHandler handler) {
  return Swap(gGeneralHandler, std::move(handler));
}

void HandleUnhandledException(const std::exception_ptr& error) noexcept {
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const EDatabaseError& e) {
    Dispatch(gDatabaseHandler, e.what());
  } catch (const std::exception& e) {
    Dispatch(gGeneralHandler, e.what());
  } catch (...) {
    Dispatch(gGeneralHandler, "Erro desconhecido");
  }
}
