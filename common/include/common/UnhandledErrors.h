#pragma once
// Where errors that no operation caught end up. A database-engine error (EDatabaseError) goes to
// the database-error handler, which the window sets to a message box; everything else goes to
// the general handler, which the main window sets to its "Erro de integração: " log line.
// Until a handler is installed, both show the message through CurrentUserInterface()
// (a box with a display, a log line without one).

#include <exception>
#include <functional>
#include <string>

using ErrorHandler = std::function<void(const std::string& message)>;

// Install a handler and get the one it replaces; an empty function restores the default.
ErrorHandler SetDatabaseErrorHandler(ErrorHandler handler);
ErrorHandler SetGeneralErrorHandler(ErrorHandler handler);

// Routes a caught exception (std::current_exception() in a catch block) to its handler. Never
// throws; a handler that throws is ignored.
void HandleUnhandledException(const std::exception_ptr& error) noexcept;
