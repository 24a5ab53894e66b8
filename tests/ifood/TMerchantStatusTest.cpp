#include "ifood/UMerchantStatus.h"

#include <gtest/gtest.h>

#include <string>

#include "common/Errors.h"
#include "harness/Harness.h"

using namespace UMerchantStatus;

namespace {

// The status endpoint answers with an array; the Merchant client wraps it under "Items".
std::string Envolver(const std::string& body) { return "{\"Items\":" + body + "}"; }

std::unique_ptr<TMerchantStatus> Ler(const std::string& text) {
  auto status = TMerchantStatus::FromJsonString(text);
  if (!status) throw std::logic_error("no status read from " + text);
  return status;
}

TEST(TMerchantStatus, ReadsTheStatusArrayWrappedAsTheMerchantClientWrapsIt) {
  const auto s =
      Ler(Envolver(harness::ReadFile(harness::TestDataDir() / "fixtures/ifood/status.json")));
  ASSERT_EQ(s->Items.size(), 2u);

  const TItem& delivery = *s->Items[0];
  EXPECT_EQ(delivery.Operation, "delivery");
  EXPECT_EQ(delivery.SalesChannel, "ifood");
  EXPECT_FALSE(delivery.Available);
  EXPECT_EQ(delivery.State, "CLOSED");
  ASSERT_NE(delivery.Message, nullptr);
  EXPECT_EQ(delivery.Message->Title, "Loja fechada");
  EXPECT_EQ(delivery.Message->Subtitle, "Fora do horário de funcionamento");
  EXPECT_EQ(delivery.Message->Description, "Abre hoje às 18:00");
  ASSERT_NE(delivery.Reopenable, nullptr);
  EXPECT_EQ(delivery.Reopenable->Identifier, "6e5d4c3b-2a19-4807-b6f5-e4d3c2b1a098");
  EXPECT_EQ(delivery.Reopenable->Type, "OPENING_HOURS");
  EXPECT_TRUE(delivery.Reopenable->Reopenable);
  ASSERT_EQ(delivery.Validations.size(), 2u);
  EXPECT_EQ(delivery.Validations[0]->Id, "is-connected");
  EXPECT_EQ(delivery.Validations[0]->Code, "is.connected");
  EXPECT_EQ(delivery.Validations[0]->State, "OK");
  EXPECT_EQ(delivery.Validations[0]->Message->Title, "Conectada");
  EXPECT_EQ(delivery.Validations[1]->Message->Subtitle, "Abre hoje às 18:00");

  const TItem& takeout = *s->Items[1];
  EXPECT_EQ(takeout.Operation, "takeout");
  EXPECT_TRUE(takeout.Available);
  EXPECT_EQ(takeout.Reopenable, nullptr);
  EXPECT_TRUE(takeout.Validations.empty());
  EXPECT_EQ(takeout.Message->Title, "Loja aberta");
}

TEST(TMerchantStatus, KeysBindIgnoringCaseAtEveryDepth) {
  for (const char* text : {
           R"({"Items":[{"Message":{"Title":"T"},"VALIDATIONS":[{"message":{"TITLE":"v"}}]}]})",
           R"({"items":[{"message":{"title":"T"},"validations":[{"Message":{"Title":"v"}}]}]})",
           R"({"ITEMS":[{"MESSAGE":{"TITLE":"T"},"Validations":[{"MESSAGE":{"title":"v"}}]}]})",
       }) {
    SCOPED_TRACE(text);
    const auto s = Ler(text);
    ASSERT_EQ(s->Items.size(), 1u);
    EXPECT_EQ(s->Items[0]->Message->Title, "T");
    EXPECT_EQ(s->Items[0]->Validations.at(0)->Message->Title, "v");
  }
}

TEST(TMerchantStatus, EmptyAnswersAndAnswersThatAreNoStatus) {
  EXPECT_TRUE(Ler(Envolver("[]"))->Items.empty());
  EXPECT_EQ(TMerchantStatus::FromJsonString(""), nullptr);
  EXPECT_EQ(TMerchantStatus::FromJsonString("null"), nullptr);
  // The array itself, not wrapped, is no object.
  try {
    (void)TMerchantStatus::FromJsonString(R"([{"state":"OK"}])");
    ADD_FAILURE() << "read without an error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "The input value is not a valid Object");
  }
  EXPECT_THROW((void)TMerchantStatus::FromJsonString(Envolver("")), EConvertError);
}

TEST(TMerchantStatus, AnEntryThatCannotBeReadFailsTheWholeStatus) {
  // null leaves the object absent; the client's replacement of null by "" puts a text where an
  // object is expected, and an entry that cannot be read fails the document.
  const auto s = Ler(Envolver(R"([{"reopenable":null,"message":null,"available":1}])"));
  EXPECT_EQ(s->Items.at(0)->Reopenable, nullptr);
  EXPECT_EQ(s->Items[0]->Message, nullptr);
  EXPECT_TRUE(s->Items[0]->Available);
  EXPECT_THROW((void)TMerchantStatus::FromJsonString(Envolver(R"([{"reopenable":""}])")),
               EConvertError);
  EXPECT_THROW((void)TMerchantStatus::FromJsonString(
                   Envolver(R"([{"state":"OK"},{"validations":[{"message":7}]}])")),
               EConvertError);
  // A bad value inside an entry's nested object drops that object only.
  const auto t = Ler(Envolver(R"([{"state":"OK","reopenable":{"reopenable":"talvez"}}])"));
  EXPECT_EQ(t->Items.at(0)->Reopenable, nullptr);
  EXPECT_EQ(t->Items[0]->State, "OK");
}

TEST(TMerchantStatus, WritesEveryMemberInDeclarationOrder) {
  TMerchantStatus s;
  s.Items.push_back(std::make_unique<TItem>());
  s.Items[0]->Message = std::make_unique<TMessage>();
  s.Items[0]->Message->Title = "Loja às ordens";
  EXPECT_EQ(s.ToJsonString(),
            R"({"items":[{"available":false,"message":{"description":"","subtitle":"",)"
            R"("title":"Loja \u00e0s ordens"},"operation":"","reopenable":null,"salesChannel":"",)"
            R"("state":"","validations":[]}]})");
  EXPECT_EQ(TReopenable().ToJsonString(), R"({"identifier":"","reopenable":false,"type":""})");
  EXPECT_EQ(TValidations().ToJsonString(), R"({"code":"","id":"","message":null,"state":""})");
}

}  // namespace
