#include "ifood/UMerchantPedido.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "common/Errors.h"
#include "harness/Harness.h"

using namespace UMerchantPedido;

namespace {

std::string Exemplo() {
  return harness::ReadFile(harness::TestDataDir() / "fixtures/ifood/pedido.json");
}

// The order read from text that must hold one.
std::unique_ptr<TMerchantPedido> Ler(const std::string& text) {
  auto pedido = TMerchantPedido::FromJsonString(text);
  if (!pedido) throw std::logic_error("no order read from " + text);
  return pedido;
}

// The example order with one member replaced, given as a JSON pointer ("/delivery/mode").
std::string ExemploCom(const std::string& pointer, const nlohmann::json& value) {
  nlohmann::json doc = nlohmann::json::parse(Exemplo());
  doc[nlohmann::json::json_pointer(pointer)] = value;
  return doc.dump();
}

Currency Dinheiro(const char* text) { return Currency::Parse(text); }

TEST(TMerchantPedido, ReadsAnOrderShapedLikeIFoodsPublishedExampleCompletely) {
  const auto p = Ler(Exemplo());

  EXPECT_EQ(p->Id, "5d3c9a1e-7b42-4f0e-9c61-2a8d4e6f1b03");
  EXPECT_EQ(p->DisplayId, "7314");
  EXPECT_EQ(p->OrderType, "DELIVERY");
  EXPECT_EQ(p->OrderTiming, "IMMEDIATE");
  EXPECT_EQ(p->SalesChannel, "IFOOD");
  EXPECT_EQ(p->ExtraInfo, "Entregar na portaria");
  EXPECT_FALSE(p->IsTest);
  EXPECT_EQ(p->CreatedAt, TDateTime::FromParts(2024, 5, 1, 13, 2, 11, 123));
  // Sent with an offset of -03:00: held in UTC.
  EXPECT_EQ(p->PreparationStartDateTime, TDateTime::FromParts(2024, 5, 1, 13, 2, 41, 500));
  EXPECT_EQ(p->schedule, nullptr);
  EXPECT_EQ(p->takeout, nullptr);
  EXPECT_EQ(p->indoor, nullptr);

  ASSERT_NE(p->Merchant, nullptr);
  EXPECT_EQ(p->Merchant->Id, "0b9e4c2a-1f6d-4a83-b5e7-3c2d1a0f9e8b");
  EXPECT_EQ(p->Merchant->Name, "Lanchonete Exemplo");
  EXPECT_EQ(p->Merchant->Address, nullptr);

  ASSERT_NE(p->Customer, nullptr);
  EXPECT_EQ(p->Customer->Id, "c7d1e2f3-a4b5-4c6d-8e9f-0a1b2c3d4e5f");
  EXPECT_EQ(p->Customer->Name, "Marina Testa");
  EXPECT_EQ(p->Customer->DocumentNumber, "12345678909");
  EXPECT_EQ(p->Customer->OrdersCountOnRestaurant, 0);  // iFood names it ordersCountOnMerchant
  ASSERT_NE(p->Customer->Phone, nullptr);
  EXPECT_EQ(p->Customer->Phone->Number, "0800 000 0000");
  EXPECT_EQ(p->Customer->Phone->Localizer, "12345678");
  EXPECT_EQ(p->Customer->Phone->LocalizerExpiration, "2024-05-01T16:02:11.123Z");

  ASSERT_EQ(p->Items.size(), 3u);
  const TItems& burguer = *p->Items[0];
  EXPECT_EQ(burguer.Index, 1);
  EXPECT_EQ(burguer.id, "e1f2a3b4-c5d6-4e7f-8a9b-0c1d2e3f4a5b");
  EXPECT_EQ(burguer.Name, "X-Burguer da Casa");
  EXPECT_EQ(burguer.externalCode, "1050");
  EXPECT_EQ(burguer.Unit, "UN");
  EXPECT_EQ(burguer.Quantity, Dinheiro("2"));
  EXPECT_EQ(burguer.UnitPrice, Dinheiro("25.90"));
  EXPECT_EQ(burguer.OptionsPrice, Dinheiro("3"));
  EXPECT_EQ(burguer.TotalPrice, Dinheiro("57.80"));
  EXPECT_EQ(burguer.Price, Dinheiro("51.80"));
  EXPECT_EQ(burguer.observations, "Ponto da carne: bem passado");
  EXPECT_FALSE(burguer.item_nao_vinculado);
  ASSERT_EQ(burguer.Options.size(), 2u);
  const TOptions& bacon = *burguer.Options[0];
  EXPECT_EQ(bacon.Index, 2);
  EXPECT_EQ(bacon.Id, "f0e1d2c3-b4a5-4968-8776-655443322110");
  EXPECT_EQ(bacon.Name, "Bacon extra");
  EXPECT_EQ(bacon.externalCode, "2001");
  EXPECT_EQ(bacon.Unit, "UN");
  EXPECT_EQ(bacon.Quantity, Dinheiro("1"));
  EXPECT_EQ(bacon.UnitPrice, Dinheiro("3"));
  EXPECT_EQ(bacon.Price, Dinheiro("3"));
  EXPECT_EQ(bacon.addition, Currency{});
  EXPECT_FALSE(bacon.item_nao_vinculado);
  EXPECT_EQ(burguer.Options[1]->Name, "Sem cebola");
  EXPECT_EQ(burguer.Options[1]->externalCode, "");
  EXPECT_EQ(burguer.Options[1]->Price, Currency{});

  const TItems& pizza = *p->Items[1];
  ASSERT_EQ(pizza.Options.size(), 2u);
  EXPECT_EQ(pizza.Options[0]->Name, "1/2 Calabresa");
  EXPECT_EQ(pizza.Options[1]->Name, "1/2 Marguerita");
  EXPECT_EQ(pizza.Options[1]->UnitPrice, Dinheiro("21.50"));
  EXPECT_EQ(pizza.Options[1]->addition, Dinheiro("1.50"));
  EXPECT_EQ(pizza.Price, Currency{});

  // A weighed item keeps its fractional quantity exactly.
  const TItems& salada = *p->Items[2];
  EXPECT_EQ(salada.Unit, "KG");
  EXPECT_EQ(salada.Quantity.Raw(), 4850);
  EXPECT_EQ(salada.UnitPrice, Dinheiro("59.90"));
  EXPECT_TRUE(salada.Options.empty());

  ASSERT_EQ(p->benefits.size(), 2u);
  const TBenefits& cupom = *p->benefits[0];
  EXPECT_EQ(cupom.Value, Dinheiro("10"));
  EXPECT_EQ(cupom.Target, "CART");
  EXPECT_EQ(cupom.TargetId, "");
  ASSERT_EQ(cupom.SponsorshipValues.size(), 2u);
  EXPECT_EQ(cupom.SponsorshipValues[0]->name, "IFOOD");
  EXPECT_EQ(cupom.SponsorshipValues[0]->value, Dinheiro("6"));
  EXPECT_EQ(cupom.SponsorshipValues[1]->name, "MERCHANT");
  EXPECT_EQ(cupom.SponsorshipValues[1]->value, Dinheiro("4"));
  EXPECT_EQ(p->benefits[1]->Target, "DELIVERY_FEE");
  EXPECT_EQ(p->benefits[1]->SponsorshipValues.at(0)->value, Dinheiro("7.99"));

  ASSERT_NE(p->Delivery, nullptr);
  EXPECT_EQ(p->Delivery->DeliveredBy, "MERCHANT");
  EXPECT_EQ(p->Delivery->Mode, "DEFAULT");
  EXPECT_EQ(p->Delivery->DeliveryDateTime, "2024-05-01T13:52:11.123Z");  // text, as sent
  const TDeliveryAddress* endereco = p->Delivery->DeliveryAddress.get();
  ASSERT_NE(endereco, nullptr);
  EXPECT_EQ(endereco->StreetName, "Rua das Palmeiras");
  EXPECT_EQ(endereco->StreetNumber, "120");
  EXPECT_EQ(endereco->FormattedAddress, "Rua das Palmeiras, 120");
  EXPECT_EQ(endereco->Neighborhood, "Jardim Exemplo");
  EXPECT_EQ(endereco->complement, "Apto 31");
  EXPECT_EQ(endereco->Reference, "Perto da padaria");
  EXPECT_EQ(endereco->PostalCode, "01000000");
  EXPECT_EQ(endereco->City, "São Paulo");
  EXPECT_EQ(endereco->State, "SP");
  EXPECT_EQ(endereco->Country, "BR");
  ASSERT_NE(endereco->Coordinates, nullptr);
  EXPECT_EQ(endereco->Coordinates->Latitude, -23.5613);
  EXPECT_EQ(endereco->Coordinates->Longitude, -46.6565);

  ASSERT_EQ(p->additionalFees.size(), 1u);
  EXPECT_EQ(p->additionalFees[0]->type, "SERVICE_FEE");
  EXPECT_EQ(p->additionalFees[0]->value, Dinheiro("1.49"));

  ASSERT_NE(p->Total, nullptr);
  EXPECT_EQ(p->Total->SubTotal, Dinheiro("130.85"));
  EXPECT_EQ(p->Total->DeliveryFee, Dinheiro("7.99"));
  EXPECT_EQ(p->Total->Benefits, Dinheiro("17.99"));
  EXPECT_EQ(p->Total->OrderAmount, Dinheiro("122.34"));
  EXPECT_EQ(p->Total->AdditionalFees, Dinheiro("1.49"));

  // "prepaid" arrives as the amount paid online; the payments are kept whole.
  ASSERT_NE(p->Payments, nullptr);
  EXPECT_TRUE(p->Payments->Prepaid);
  EXPECT_EQ(p->Payments->PrepaidValue, Dinheiro("72.34"));
  EXPECT_EQ(p->Payments->pending, Dinheiro("50"));
  ASSERT_EQ(p->Payments->Methods.size(), 2u);
  const TMethods& credito = *p->Payments->Methods[0];
  EXPECT_EQ(credito.Method, "CREDIT");
  EXPECT_EQ(credito.Type, "ONLINE");
  EXPECT_EQ(credito.Currency, "BRL");
  EXPECT_TRUE(credito.Prepaid);
  EXPECT_EQ(credito.Value, Dinheiro("72.34"));
  ASSERT_NE(credito.Card, nullptr);
  EXPECT_EQ(credito.Card->Brand, "VISA");
  EXPECT_EQ(credito.cash, nullptr);
  EXPECT_EQ(credito.wallet, nullptr);
  const TMethods& dinheiro = *p->Payments->Methods[1];
  EXPECT_EQ(dinheiro.Method, "CASH");
  EXPECT_EQ(dinheiro.Type, "OFFLINE");
  EXPECT_FALSE(dinheiro.Prepaid);
  EXPECT_EQ(dinheiro.Value, Dinheiro("50"));
  ASSERT_NE(dinheiro.cash, nullptr);
  EXPECT_EQ(dinheiro.cash->changeFor, Dinheiro("100"));
  EXPECT_EQ(dinheiro.Card, nullptr);
}

// Rewrites every key of a JSON value, at every depth.
nlohmann::json MudarChaves(const nlohmann::json& v,
                           const std::function<std::string(std::string)>& f) {
  if (v.is_array()) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& e : v) out.push_back(MudarChaves(e, f));
    return out;
  }
  if (!v.is_object()) return v;
  nlohmann::json out = nlohmann::json::object();
  for (const auto& [key, value] : v.items()) out[f(key)] = MudarChaves(value, f);
  return out;
}

TEST(TMerchantPedido, KeysBindIgnoringCaseAtEveryDepth) {
  const std::string esperado = Ler(Exemplo())->ToJsonString();
  const nlohmann::json original = nlohmann::json::parse(Exemplo());
  struct Case {
    const char* name;
    std::function<std::string(std::string)> chave;
  } cases[] = {
      {"UPPER",
       [](std::string k) {
         for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
         return k;
       }},
      {"lower",
       [](std::string k) {
         for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
         return k;
       }},
      {"Capitalised",
       [](std::string k) {
         if (!k.empty()) k[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(k[0])));
         return k;
       }},
      {"field prefix", [](std::string k) { return "F" + k; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto p = Ler(MudarChaves(original, c.chave).dump());
    EXPECT_EQ(p->ToJsonString(), esperado);
  }
  // The three spellings of the brief's example, on the root list.
  for (const char* key : {"Items", "items", "ITEMS"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(Ler(std::string("{\"") + key + R"(":[{"name":"a"}]})")->Items.at(0)->Name, "a");
  }
}

TEST(TMerchantPedido, IgnoresKeysWithoutAMemberAtAnyDepth) {
  const auto p = Ler(
      R"({"novo":{"x":[1,{"y":null}]},"items":[{"name":"a","imageUrl":"u","options":[{"name":"o",)"
      R"("customizations":[{"name":"c","price":"x"}]}]}],"payments":{"methods":[{"method":"PIX",)"
      R"("transaction":{"authorizationCode":"9"}}],"extra":[]},"total":{"x":true}})");
  ASSERT_EQ(p->Items.size(), 1u);
  EXPECT_EQ(p->Items[0]->Options.at(0)->Name, "o");
  ASSERT_NE(p->Payments, nullptr);
  EXPECT_EQ(p->Payments->Methods.at(0)->Method, "PIX");
  ASSERT_NE(p->Total, nullptr);
}

TEST(TMerchantPedido, NullGivesEveryKindOfMemberItsInitialValue) {
  const auto p =
      Ler(R"({"payments":null,"orderType":null,"benefits":null,"isTest":null,"createdAt":null,)"
          R"("customer":{"phone":null,"ordersCountOnRestaurant":null,"name":null},)"
          R"("items":[{"quantity":null,"index":null,"unitPrice":null,"options":null,"id":null,)"
          R"("item_nao_vinculado":null}],"delivery":{"deliveryAddress":{"coordinates":)"
          R"({"latitude":null,"longitude":null}}},"schedule":{"deliveryDateTimeStart":null}})");
  EXPECT_EQ(p->Payments, nullptr);
  EXPECT_EQ(p->OrderType, "");
  EXPECT_TRUE(p->benefits.empty());
  EXPECT_FALSE(p->IsTest);
  EXPECT_TRUE(p->CreatedAt.IsEmpty());
  ASSERT_NE(p->Customer, nullptr);
  EXPECT_EQ(p->Customer->Phone, nullptr);
  EXPECT_EQ(p->Customer->OrdersCountOnRestaurant, 0);
  EXPECT_EQ(p->Customer->Name, "");
  const TItems& item = *p->Items.at(0);
  EXPECT_EQ(item.Quantity, Currency{});
  EXPECT_EQ(item.Index, 0);
  EXPECT_EQ(item.UnitPrice, Currency{});
  EXPECT_TRUE(item.Options.empty());
  EXPECT_EQ(item.id, "");
  EXPECT_FALSE(item.item_nao_vinculado);
  const TCoordinates& coordenadas = *p->Delivery->DeliveryAddress->Coordinates;
  EXPECT_EQ(coordenadas.Latitude, 0.0);
  EXPECT_EQ(coordenadas.Longitude, 0.0);
  EXPECT_TRUE(p->schedule->deliveryDateTimeStart.IsEmpty());
}

TEST(TMerchantPedido, NumbersMayArriveAsText) {
  const auto p = Ler(
      R"({"items":[{"quantity":"0.485","unitPrice":"25.90","index":"3","options":[)"
      R"({"quantity":"2","price":"1,50"}]}],"customer":{"ordersCountOnRestaurant":"12"},)"
      R"("delivery":{"deliveryAddress":{"coordinates":{"latitude":"-23.5613"}}},"isTest":"1"})");
  const TItems& item = *p->Items.at(0);
  EXPECT_EQ(item.Quantity.Raw(), 4850);
  EXPECT_EQ(item.UnitPrice.Raw(), 259000);
  EXPECT_EQ(item.Index, 3);
  EXPECT_EQ(item.Options.at(0)->Quantity, Dinheiro("2"));
  EXPECT_EQ(item.Options.at(0)->Price, Dinheiro("1.5"));
  EXPECT_EQ(p->Customer->OrdersCountOnRestaurant, 12);
  EXPECT_EQ(p->Delivery->DeliveryAddress->Coordinates->Latitude, -23.5613);
  EXPECT_TRUE(p->IsTest);
}

TEST(TMerchantPedido, MoneyAndQuantitiesAreExactFourDecimalAmounts) {
  struct Case {
    const char* json;
    std::int64_t raw;
  } cases[] = {
      {"0.1", 1000},         // not 0.1000000000000000055...
      {"12.50", 125000},     //
      {"0.29", 2900},        // 0.28999... as a double
      {"1.00005", 10000},    // a fifth decimal 5 rounds to the even neighbour: down
      {"1.00015", 10002},    // and up
      {"1.000051", 10001},   // more than half
      {"-2.00005", -20000},  //
      {"0.33335", 3334},     //
      {"1.23456", 12346},    //
      {"0.485", 4850},       // a weighed quantity
      {"1E2", 1000000},      //
      {"922337203685477.5807", 9223372036854775807},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    const std::string item = std::string(R"({"items":[{"unitPrice":)") + c.json +
                             R"(,"quantity":)" + c.json + R"(,"options":[{"quantity":)" + c.json +
                             "}]}]}";
    const auto p = Ler(item);
    EXPECT_EQ(p->Items.at(0)->UnitPrice.Raw(), c.raw);
    EXPECT_EQ(p->Items.at(0)->Quantity.Raw(), c.raw);
    EXPECT_EQ(p->Items.at(0)->Options.at(0)->Quantity.Raw(), c.raw);
    EXPECT_EQ(Ler(std::string(R"({"total":{"subTotal":)") + c.json + "}}")->Total->SubTotal.Raw(),
              c.raw);
  }

  // Out of range is an error, never a wrapped amount: in an item it fails the order, in the
  // totals object it drops that object.
  for (const char* json : {"1e30", "922337203685477.5808", "-1e19", "1e300"}) {
    SCOPED_TRACE(json);
    EXPECT_THROW(
        (void)TMerchantPedido::FromJsonString(std::string(R"({"items":[{"price":)") + json + "}]}"),
        EConvertError);
    const auto p = Ler(std::string(R"({"total":{"subTotal":)") + json + R"(},"displayId":"9"})");
    EXPECT_EQ(p->Total, nullptr);
    EXPECT_EQ(p->DisplayId, "9");
  }
}

TEST(TMerchantPedido, TimestampsAreHeldInUtc) {
  const auto p = Ler(
      R"({"createdAt":"2024-05-01T10:00:00-03:00","preparationStartDateTime":"2024-05-01T10:00:00Z",)"
      R"("schedule":{"deliveryDateTimeStart":"2024-05-01T23:30:00-03:00",)"
      R"("deliveryDateTimeEnd":"2024-05-02T02:30:00.000Z"},)"
      R"("indoor":{"deliveryDateTime":"2024-05-01T10:00:00+01:00"},)"
      R"("delivery":{"deliveryDateTime":"2024-05-01T10:00:00-03:00"}})");
  EXPECT_EQ(p->CreatedAt, TDateTime::FromParts(2024, 5, 1, 13, 0));
  EXPECT_EQ(p->PreparationStartDateTime, TDateTime::FromParts(2024, 5, 1, 10, 0));
  EXPECT_EQ(p->schedule->deliveryDateTimeStart, TDateTime::FromParts(2024, 5, 2, 2, 30));
  EXPECT_EQ(p->schedule->deliveryDateTimeEnd, TDateTime::FromParts(2024, 5, 2, 2, 30));
  EXPECT_EQ(p->indoor->DeliveryDateTime, TDateTime::FromParts(2024, 5, 1, 9, 0));
  // The delivery's time is text and stays as sent.
  EXPECT_EQ(p->Delivery->DeliveryDateTime, "2024-05-01T10:00:00-03:00");
  // Written back in UTC with a "Z".
  EXPECT_NE(p->ToJsonString().find(R"("createdAt":"2024-05-01T13:00:00.000Z")"), std::string::npos);
}

TEST(TMerchantPedido, ANestedObjectThatCannotBeReadIsDroppedAlone) {
  struct Case {
    const char* name;
    const char* pointer;
    nlohmann::json value;
    std::function<void(const TMerchantPedido&)> check;
  } cases[] = {
      {"bad value inside delivery", "/delivery/deliveredBy", nlohmann::json::object(),
       [](const TMerchantPedido& p) { EXPECT_EQ(p.Delivery, nullptr); }},
      {"bad timestamp inside schedule", "/schedule",
       nlohmann::json{{"deliveryDateTimeStart", "amanhã"}},
       [](const TMerchantPedido& p) { EXPECT_EQ(p.schedule, nullptr); }},
      {"bad value deep in delivery drops only its own object",
       "/delivery/deliveryAddress/coordinates/latitude", "norte",
       [](const TMerchantPedido& p) {
         ASSERT_NE(p.Delivery, nullptr);
         ASSERT_NE(p.Delivery->DeliveryAddress, nullptr);
         EXPECT_EQ(p.Delivery->DeliveryAddress->Coordinates, nullptr);
         EXPECT_EQ(p.Delivery->DeliveryAddress->StreetName, "Rua das Palmeiras");
       }},
      {"bad element of the methods fails the payments that hold them", "/payments/methods/1/value",
       "cinquenta", [](const TMerchantPedido& p) { EXPECT_EQ(p.Payments, nullptr); }},
      {"bad change drops only the cash", "/payments/methods/1/cash/changeFor", "cem",
       [](const TMerchantPedido& p) {
         ASSERT_NE(p.Payments, nullptr);
         ASSERT_EQ(p.Payments->Methods.size(), 2u);
         EXPECT_EQ(p.Payments->Methods[1]->cash, nullptr);
         EXPECT_EQ(p.Payments->Methods[1]->Value, Dinheiro("50"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto p = Ler(ExemploCom(c.pointer, c.value));
    c.check(*p);
    // The rest of the order stands.
    EXPECT_EQ(p->DisplayId, "7314");
    EXPECT_EQ(p->Items.size(), 3u);
    ASSERT_NE(p->Customer, nullptr);
    EXPECT_EQ(p->Customer->Name, "Marina Testa");
    ASSERT_NE(p->Total, nullptr);
  }
}

TEST(TMerchantPedido, ABadValueInsideAnArrayElementOfTheRootFailsTheOrder) {
  struct Case {
    const char* name;
    const char* pointer;
    nlohmann::json value;
    const char* message;
  } cases[] = {
      {"first item", "/items/0/unitPrice", "vinte",
       "Membro JSON \"items[0].unitPrice\" (Currency): não é um valor monetário"},
      {"option of an item", "/items/1/options/0/quantity", "meia",
       "Membro JSON \"items[1].options[0].quantity\" (Currency): não é um valor monetário"},
      {"object inside an item", "/items/0/options", nlohmann::json::object(),
       "Membro JSON \"items[0].options\" (List): valor do tipo objeto não serve"},
      {"sponsorship of a benefit", "/benefits/0/sponsorshipValues/1/value", nlohmann::json::array(),
       "Membro JSON \"benefits[0].sponsorshipValues[1].value\" (Currency): valor do tipo lista não "
       "serve"},
      {"additional fee", "/additionalFees/0/value", 1e30,
       "Membro JSON \"additionalFees[0].value\" (Currency): valor monetário fora do intervalo"},
      {"a root value of the wrong kind", "/payments", "pago",
       "Membro JSON \"payments\" (Object): valor do tipo texto não serve"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      (void)TMerchantPedido::FromJsonString(ExemploCom(c.pointer, c.value));
      ADD_FAILURE() << "read without an error";
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(TMerchantPedido, PrepaidIsAFlagThatAlsoKeepsTheAmountSent) {
  struct Case {
    const char* json;
    bool prepaid;
    const char* amount;
  } cases[] = {
      {"19.89", true, "19.89"}, {"0", false, "0"},     {"0.00", false, "0"},
      {"true", true, "0"},      {"false", false, "0"}, {"\"19.89\"", true, "19.89"},
      {"null", false, "0"},     {"1e30", true, "0"},  // a flag still; no amount fits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    const auto p = Ler(std::string(R"({"payments":{"prepaid":)") + c.json +
                       R"(,"pending":1.5,"methods":[{"method":"CASH","prepaid":0}]}})");
    ASSERT_NE(p->Payments, nullptr);
    EXPECT_EQ(p->Payments->Prepaid, c.prepaid);
    EXPECT_EQ(p->Payments->PrepaidValue, Dinheiro(c.amount));
    EXPECT_EQ(p->Payments->pending, Dinheiro("1.5"));
    ASSERT_EQ(p->Payments->Methods.size(), 1u);
    EXPECT_FALSE(p->Payments->Methods[0]->Prepaid);
  }
  // A text that is neither is still no flag: the payments are left out as for any bad value.
  EXPECT_EQ(Ler(R"({"payments":{"prepaid":"sim"}})")->Payments, nullptr);
}

TEST(TMerchantPedido, WorkingFlagsAreFalseUnlessTheTextCarriesThem) {
  const auto p = Ler(Exemplo());
  for (const auto& item : p->Items) {
    EXPECT_FALSE(item->item_nao_vinculado);
    for (const auto& option : item->Options) EXPECT_FALSE(option->item_nao_vinculado);
  }
  const auto q =
      Ler(R"({"items":[{"item_nao_vinculado":true,"options":[{"ITEM_NAO_VINCULADO":1}]}]})");
  EXPECT_TRUE(q->Items.at(0)->item_nao_vinculado);
  EXPECT_TRUE(q->Items.at(0)->Options.at(0)->item_nao_vinculado);
}

TEST(TMerchantPedido, FromJsonStringGivesNothingAnOrderOrAConversionError) {
  EXPECT_EQ(TMerchantPedido::FromJsonString(""), nullptr);
  EXPECT_EQ(TMerchantPedido::FromJsonString("null"), nullptr);
  EXPECT_EQ(TItems::FromJsonString("null"), nullptr);
  for (const char* text : {"[]", "[{\"id\":\"1\"}]", "7314", "\"{}\"", "true", " "}) {
    SCOPED_TRACE(text);
    try {
      (void)TMerchantPedido::FromJsonString(text);
      ADD_FAILURE() << "read without an error";
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), "The input value is not a valid Object");
    }
  }
  EXPECT_THROW((void)TMerchantPedido::FromJsonString("{\"id\":"), EConvertError);
  EXPECT_THROW((void)TMerchantPedido::FromJsonString("<html>502 Bad Gateway</html>"),
               EConvertError);
  // Every class of the document reads on its own.
  const auto item = TItems::FromJsonString(R"({"name":"Suco","quantity":1.5,"options":[{}]})");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Quantity, Dinheiro("1.5"));
  EXPECT_EQ(item->Options.size(), 1u);
  EXPECT_EQ(Tcash::FromJsonString(R"({"changeFor":100})")->changeFor, Dinheiro("100"));
}

TEST(TMerchantPedido, WritesEveryMemberInDeclarationOrderWithTheKeyRule) {
  TMerchantPedido vazio;
  EXPECT_EQ(vazio.ToJsonString(),
            R"({"payments":null,"orderType":"","orderTiming":"","benefits":[],"customer":null,)"
            R"("items":[],"total":null,"schedule":null,"id":"",)"
            R"("preparationStartDateTime":"1899-12-30T00:00:00.000Z","displayId":"",)"
            R"("extraInfo":"","delivery":null,"takeout":null,)"
            R"("createdAt":"1899-12-30T00:00:00.000Z","salesChannel":"","isTest":false,)"
            R"("additionalFees":[],"merchant":null,"indoor":null})");

  TItems item;
  item.Unit = "KG";
  item.Name = "Pão de queijo \"mineiro\" 🧀";
  item.UnitPrice = Dinheiro("59.9");
  item.Quantity = Dinheiro("0.485");
  item.item_nao_vinculado = true;
  item.Options.push_back(std::make_unique<TOptions>());
  item.Options[0]->Name = "Ação\t1/2";
  EXPECT_EQ(item.ToJsonString(),
            R"({"unit":"KG","name":"P\u00e3o de queijo \"mineiro\" \ud83e\uddc0",)"
            R"("optionsPrice":0,"unitPrice":59.9,"price":0,"observations":"","index":0,)"
            R"("item_nao_vinculado":true,"quantity":0.485,"totalPrice":0,"externalCode":"",)"
            R"("options":[{"index":0,"name":"A\u00e7\u00e3o\u00091/2","price":0,"quantity":0,)"
            R"("unit":"","unitPrice":0,"externalCode":"","id":"","item_nao_vinculado":false,)"
            R"("addition":0}],"id":""})");

  TPayments pagamentos;
  pagamentos.Prepaid = true;
  pagamentos.PrepaidValue = Dinheiro("19.89");
  EXPECT_EQ(pagamentos.ToJsonString(),
            R"({"pending":0,"prepaid":true,"methods":[],"prepaidValue":19.89})");

  TCustomer cliente;
  EXPECT_EQ(cliente.ToJsonString(),
            R"({"id":"","name":"","ordersCountOnRestaurant":0,"phone":null,"documentNumber":""})");
  TMethods metodo;
  EXPECT_EQ(metodo.ToJsonString(),
            R"({"card":null,"wallet":null,"cash":null,"currency":"","method":"","prepaid":false,)"
            R"("type":"","value":0})");
}

TEST(TMerchantPedido, WhatIsWrittenReadsBackToTheSameDocument) {
  const auto p = Ler(Exemplo());
  const std::string escrito = p->ToJsonString();
  const auto q = Ler(escrito);
  EXPECT_EQ(q->ToJsonString(), escrito);
  // The amount of "prepaid" survives the trip through its own key.
  EXPECT_TRUE(q->Payments->Prepaid);
  EXPECT_EQ(q->Payments->PrepaidValue, Dinheiro("72.34"));
  EXPECT_EQ(q->Items.at(2)->Quantity.Raw(), 4850);
  EXPECT_EQ(q->Delivery->DeliveryAddress->City, "São Paulo");
}

}  // namespace
