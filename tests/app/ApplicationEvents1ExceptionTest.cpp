#include <QTimer>

#include "WindowTest.h"
#include "common/Errors.h"
#include "common/UnhandledErrors.h"

class ApplicationEvents1ExceptionTest : public WindowTest {
 protected:
  std::vector<std::string> ErrorLines() {
    std::vector<std::string> lines;
    for (const std::string& m : RootLogMessages()) {
      if (m.rfind("Erro de integração: ", 0) == 0) lines.push_back(m);
    }
    return lines;
  }
};

TEST_F(ApplicationEvents1ExceptionTest, AnyOtherFailureIsOneLogLineAndNothingOnScreen) {
  TfrmPrincipal& w = Open();
  w.show();
  struct Case {
    const char* name;
    std::function<void()> raise;
    const char* line;
  };
  const Case cases[] = {
      // A job on its worker thread.
      {"rotina",
       [&] {
         safety.during = [](ProgressView*, ConnectionLights*) {
           throw std::runtime_error("falha na rotina");
         };
         w.Image7Click();
       },
       "Erro de integração: falha na rotina"},
      // A handler run by Qt's event loop, through the application object.
      {"evento",
       [] {
         QTimer::singleShot(0, [] { throw EConvertError("'abc' is not a valid integer value"); });
       },
       "Erro de integração: 'abc' is not a valid integer value"},
      // Something thrown that is not an exception class.
      {"desconhecido", [] { QTimer::singleShot(0, [] { throw 42; }); },
       "Erro de integração: Erro desconhecido"},
  };
  size_t expected = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.raise();
    ++expected;
    ASSERT_TRUE(WaitForQt([&] { return ErrorLines().size() == expected; }));
    DrainEvents();
    EXPECT_EQ(ErrorLines().size(), expected);
    EXPECT_EQ(ErrorLines().back(), c.line);
    EXPECT_TRUE(VisibleMessageBoxes().empty());
    ASSERT_TRUE(WaitForQt([&] { return !w.Core().BackupRunning(); }));
  }
  // The agent goes on.
  safety.during = nullptr;
  w.Image7Click();
  ASSERT_TRUE(WaitForQt([&] { return safety.Runs() == 2; }));
}

TEST_F(ApplicationEvents1ExceptionTest, ADatabaseEngineErrorGoesToTheDialogInstead) {
  TfrmPrincipal& w = Open();
  safety.during = [](ProgressView*, ConnectionLights*) {
    throw EDatabaseError("connection lost to database");
  };
  w.Image7Click();
  ASSERT_TRUE(WaitForQt([] { return !VisibleMessageBoxes().empty(); }));
  QMessageBox* box = VisibleMessageBoxes().front();
  EXPECT_EQ(box->windowTitle(), "Erro");
  EXPECT_EQ(box->text(), "connection lost to database");
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_TRUE(ErrorLines().empty());

  // The same failure again while its box is open adds no second box.
  ASSERT_TRUE(WaitForQt([&] { return !w.Core().BackupRunning(); }));
  w.Image7Click();
  ASSERT_TRUE(WaitForQt([&] { return safety.Runs() == 2 && !w.Core().BackupRunning(); }));
  DrainEvents();
  EXPECT_EQ(VisibleMessageBoxes().size(), 1u);
}

TEST_F(ApplicationEvents1ExceptionTest, HeadlessADatabaseErrorIsOneLogLine) {
  HeadlessUserInterface headless;
  InstallUserInterface(&headless);
  CreateDM();
  AgentView view;
  AgentCore core(Components(), view);
  HandleUnhandledException(std::make_exception_ptr(EDatabaseError("engine says no")));
  HandleUnhandledException(std::make_exception_ptr(std::runtime_error("outra falha")));
  EXPECT_EQ(RootLogMessages(),
            (std::vector<std::string>{"engine says no", "Erro de integração: outra falha"}));
  InstallUserInterface(&ui);
}
