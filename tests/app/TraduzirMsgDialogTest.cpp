#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <future>

#include "AppTestSupport.h"
#include "MessageBoxes.h"
#include "QtUserInterface.h"
#include "common/TFuncoesIFood.h"

namespace {

struct ButtonCase {
  QMessageBox::StandardButton button;
  QDialogButtonBox::StandardButton boxButton;
  const char* text;
};

const ButtonCase kButtons[] = {
    {QMessageBox::Yes, QDialogButtonBox::Yes, "&Sim"},
    {QMessageBox::No, QDialogButtonBox::No, "&Não"},
    {QMessageBox::Ok, QDialogButtonBox::Ok, "OK"},
    {QMessageBox::Cancel, QDialogButtonBox::Cancel, "Cancelar"},
    {QMessageBox::Abort, QDialogButtonBox::Abort, "&Abortar"},
    {QMessageBox::Retry, QDialogButtonBox::Retry, "&Repetir"},
    {QMessageBox::Ignore, QDialogButtonBox::Ignore, "&Ignorar"},
    {QMessageBox::NoToAll, QDialogButtonBox::NoToAll, "N&ao para Tudo"},
    {QMessageBox::YesToAll, QDialogButtonBox::YesToAll, "Sim para &Tudo"},
    {QMessageBox::Close, QDialogButtonBox::Close, "&Fechar"},
};

// Answers the next confirmation box with the given button, noting what it showed.
void AnswerNextBox(QMessageBox::StandardButton answer, QString* seenText) {
  HandleNextModal<QMessageBox>([answer, seenText](QMessageBox* box) {
    *seenText = box->windowTitle() + "|" + box->text() + "|" +
                box->button(QMessageBox::Yes)->text() + "|" + box->button(QMessageBox::No)->text();
    box->button(answer)->click();
  });
}

}  // namespace

TEST(TraduzirMsgDialog, CaptionsOfTheStandardBoxes) {
  struct Case {
    DialogKind kind;
    const char* caption;
  };
  for (const Case& c : {Case{DialogKind::Warning, "Atenção"}, Case{DialogKind::Error, "Erro"},
                        Case{DialogKind::Information, "Informação"},
                        Case{DialogKind::Confirmation, "Confirmação"}}) {
    SCOPED_TRACE(c.caption);
    auto box = MakeMessageBox(c.kind, "texto", QMessageBox::Ok);
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8(c.caption));
    EXPECT_EQ(box->text(), "texto");
  }
}

TEST(TraduzirMsgDialog, ButtonsOfTheAgentsBoxesAndOfQtsOwnDialogs) {
  QtUserInterface ui;
  InstallUserInterface(&ui);
  TFuncoesIFood::TraduzirMsgDialog();
  QMessageBox::StandardButtons all;
  QDialogButtonBox::StandardButtons allInBox;
  for (const ButtonCase& c : kButtons) {
    all |= c.button;
    allInBox |= c.boxButton;
  }
  auto box = MakeMessageBox(DialogKind::Information, "texto", all);
  QDialogButtonBox qtOwn(allInBox);
  for (const ButtonCase& c : kButtons) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(box->button(c.button)->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(DialogButtonText(c.button), QString::fromUtf8(c.text));
    EXPECT_EQ(qtOwn.button(c.boxButton)->text(), QString::fromUtf8(c.text));
  }
  // The two spellings of Help, and texts of other contexts left alone.
  EXPECT_EQ(TranslateStandardText("QPlatformTheme", "Help"), "Ajuda");
  EXPECT_EQ(TranslateStandardText("QPlatformTheme", "&Help"), "&Ajuda");
  EXPECT_EQ(DialogButtonText(QMessageBox::Help), "&Ajuda");
  EXPECT_TRUE(TranslateStandardText("QFileDialog", "Cancel").isNull());
  EXPECT_TRUE(TranslateStandardText("QPlatformTheme", "Save").isNull());
  InstallUserInterface(nullptr);
}

TEST(TraduzirMsgDialog, ConfirmIsTrueOnlyForSimAlsoWhenAskedFromAWorker) {
  QtUserInterface ui;
  InstallUserInterface(&ui);
  struct Case {
    const char* name;
    QMessageBox::StandardButton answer;
    bool fromWorker;
    bool expected;
  };
  for (const Case& c :
       {Case{"sim", QMessageBox::Yes, false, true}, Case{"não", QMessageBox::No, false, false},
        Case{"sim, de outra thread", QMessageBox::Yes, true, true},
        Case{"não, de outra thread", QMessageBox::No, true, false}}) {
    SCOPED_TRACE(c.name);
    QString seen;
    AnswerNextBox(c.answer, &seen);
    bool result = !c.expected;
    if (c.fromWorker) {
      auto answer = std::async(std::launch::async, [] {
        return TFuncoesIFood::Confirm("Deseja remover o registro selecionado?");
      });
      ASSERT_TRUE(WaitForQt(
          [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
      result = answer.get();
    } else {
      result = TFuncoesIFood::Confirm("Deseja remover o registro selecionado?");
    }
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(seen, "Confirmação|Deseja remover o registro selecionado?|&Sim|&Não");
  }
  InstallUserInterface(nullptr);
}
