#include "ifood/UMerchantPedido.h"

// Each class lists its members in declaration order, which is also the order of the keys written.

namespace UMerchantPedido {

const ClassInfo& TCard::Class() {
  static const ClassInfo info =
      ClassBuilder<TCard>("TCard").Property("Brand", &TCard::Brand).Build();
  return info;
}

const ClassInfo& Twallet::Class() {
  static const ClassInfo info =
      ClassBuilder<Twallet>("Twallet").Property("name", &Twallet::name).Build();
  return info;
}

const ClassInfo& Tcash::Class() {
  static const ClassInfo info =
      ClassBuilder<Tcash>("Tcash").Property("changeFor", &Tcash::changeFor).Build();
  return info;
}

const ClassInfo& TMethods::Class() {
  static const ClassInfo info = ClassBuilder<TMethods>("TMethods")
                                    .Property("Card", &TMethods::Card)
                                    .Property("wallet", &TMethods::wallet)
                                    .Property("cash", &TMethods::cash)
                                    .Property("Currency", &TMethods::Currency)
                                    .Property("Method", &TMethods::Method)
                                    .Property("Prepaid", &TMethods::Prepaid)
                                    .Property("Type", &TMethods::Type)
                                    .Property("Value", &TMethods::Value)
                                    .Build();
  return info;
}

const ClassInfo& TPayments::Class() {
  static const ClassInfo info = ClassBuilder<TPayments>("TPayments")
                                    .Property("pending", &TPayments::pending)
                                    .Property("Prepaid", &TPayments::Prepaid)
                                    .Property("Methods", &TPayments::Methods)
                                    .Property("PrepaidValue", &TPayments::PrepaidValue)
                                    .AlsoReads("prepaid")
                                    .Build();
  return info;
}

const ClassInfo& TSponsorshipValues::Class() {
  static const ClassInfo info = ClassBuilder<TSponsorshipValues>("TSponsorshipValues")
                                    .Property("name", &TSponsorshipValues::name)
                                    .Property("value", &TSponsorshipValues::value)
                                    .Build();
  return info;
}

const ClassInfo& TBenefits::Class() {
  static const ClassInfo info = ClassBuilder<TBenefits>("TBenefits")
                                    .Property("SponsorshipValues", &TBenefits::SponsorshipValues)
                                    .Property("Target", &TBenefits::Target)
                                    .Property("TargetId", &TBenefits::TargetId)
                                    .Property("Value", &TBenefits::Value)
                                    .Build();
  return info;
}

const ClassInfo& TPhone::Class() {
  static const ClassInfo info = ClassBuilder<TPhone>("TPhone")
                                    .Property("Localizer", &TPhone::Localizer)
                                    .Property("LocalizerExpiration", &TPhone::LocalizerExpiration)
                                    .Property("Number", &TPhone::Number)
                                    .Build();
  return info;
}

const ClassInfo& TCustomer::Class() {
  static const ClassInfo info =
      ClassBuilder<TCustomer>("TCustomer")
          .Property("Id", &TCustomer::Id)
          .Property("Name", &TCustomer::Name)
          .Property("OrdersCountOnRestaurant", &TCustomer::OrdersCountOnRestaurant)
          .Property("Phone", &TCustomer::Phone)
          .Property("DocumentNumber", &TCustomer::DocumentNumber)
          .Build();
  return info;
}

const ClassInfo& TOptions::Class() {
  static const ClassInfo info = ClassBuilder<TOptions>("TOptions")
                                    .Property("Index", &TOptions::Index)
                                    .Property("Name", &TOptions::Name)
                                    .Property("Price", &TOptions::Price)
                                    .Property("Quantity", &TOptions::Quantity)
                                    .Property("Unit", &TOptions::Unit)
                                    .Property("UnitPrice", &TOptions::UnitPrice)
                                    .Property("externalCode", &TOptions::externalCode)
                                    .Property("Id", &TOptions::Id)
                                    .Property("item_nao_vinculado", &TOptions::item_nao_vinculado)
                                    .Property("addition", &TOptions::addition)
                                    .Build();
  return info;
}

const ClassInfo& TItems::Class() {
  static const ClassInfo info = ClassBuilder<TItems>("TItems")
                                    .Property("Unit", &TItems::Unit)
                                    .Property("Name", &TItems::Name)
                                    .Property("OptionsPrice", &TItems::OptionsPrice)
                                    .Property("UnitPrice", &TItems::UnitPrice)
                                    .Property("Price", &TItems::Price)
                                    .Property("observations", &TItems::observations)
                                    .Property("Index", &TItems::Index)
                                    .Property("item_nao_vinculado", &TItems::item_nao_vinculado)
                                    .Property("Quantity", &TItems::Quantity)
                                    .Property("TotalPrice", &TItems::TotalPrice)
                                    .Property("externalCode", &TItems::externalCode)
                                    .Property("Options", &TItems::Options)
                                    .Property("id", &TItems::id)
                                    .Build();
  return info;
}

const ClassInfo& TTotal::Class() {
  static const ClassInfo info = ClassBuilder<TTotal>("TTotal")
                                    .Property("AdditionalFees", &TTotal::AdditionalFees)
                                    .Property("Benefits", &TTotal::Benefits)
                                    .Property("DeliveryFee", &TTotal::DeliveryFee)
                                    .Property("OrderAmount", &TTotal::OrderAmount)
                                    .Property("SubTotal", &TTotal::SubTotal)
                                    .Build();
  return info;
}

const ClassInfo& Tschedule::Class() {
  static const ClassInfo info =
      ClassBuilder<Tschedule>("Tschedule")
          .Property("deliveryDateTimeStart", &Tschedule::deliveryDateTimeStart)
          .Property("deliveryDateTimeEnd", &Tschedule::deliveryDateTimeEnd)
          .Build();
  return info;
}

const ClassInfo& TCoordinates::Class() {
  static const ClassInfo info = ClassBuilder<TCoordinates>("TCoordinates")
                                    .Property("Latitude", &TCoordinates::Latitude)
                                    .Property("Longitude", &TCoordinates::Longitude)
                                    .Build();
  return info;
}

const ClassInfo& TDeliveryAddress::Class() {
  static const ClassInfo info =
      ClassBuilder<TDeliveryAddress>("TDeliveryAddress")
          .Property("City", &TDeliveryAddress::City)
          .Property("Coordinates", &TDeliveryAddress::Coordinates)
          .Property("Country", &TDeliveryAddress::Country)
          .Property("FormattedAddress", &TDeliveryAddress::FormattedAddress)
          .Property("Neighborhood", &TDeliveryAddress::Neighborhood)
          .Property("PostalCode", &TDeliveryAddress::PostalCode)
          .Property("Reference", &TDeliveryAddress::Reference)
          .Property("State", &TDeliveryAddress::State)
          .Property("StreetName", &TDeliveryAddress::StreetName)
          .Property("StreetNumber", &TDeliveryAddress::StreetNumber)
          .Property("complement", &TDeliveryAddress::complement)
          .Build();
  return info;
}

const ClassInfo& TDelivery::Class() {
  static const ClassInfo info = ClassBuilder<TDelivery>("TDelivery")
                                    .Property("DeliveredBy", &TDelivery::DeliveredBy)
                                    .Property("DeliveryAddress", &TDelivery::DeliveryAddress)
                                    .Property("DeliveryDateTime", &TDelivery::DeliveryDateTime)
                                    .Property("Mode", &TDelivery::Mode)
                                    .Build();
  return info;
}

const ClassInfo& Ttakeout::Class() {
  static const ClassInfo info = ClassBuilder<Ttakeout>("Ttakeout")
                                    .Property("mode", &Ttakeout::mode)
                                    .Property("takeoutDateTime", &Ttakeout::takeoutDateTime)
                                    .Property("observations", &Ttakeout::observations)
                                    .Build();
  return info;
}

const ClassInfo& TadditionalFees::Class() {
  static const ClassInfo info = ClassBuilder<TadditionalFees>("TadditionalFees")
                                    .Property("value", &TadditionalFees::value)
                                    .Property("type", &TadditionalFees::type)
                                    .Build();
  return info;
}

const ClassInfo& TAddress::Class() {
  static const ClassInfo info = ClassBuilder<TAddress>("TAddress")
                                    .Property("City", &TAddress::City)
                                    .Property("Country", &TAddress::Country)
                                    .Property("FormattedAddress", &TAddress::FormattedAddress)
                                    .Property("Neighborhood", &TAddress::Neighborhood)
                                    .Property("PostalCode", &TAddress::PostalCode)
                                    .Property("State", &TAddress::State)
                                    .Property("StreetName", &TAddress::StreetName)
                                    .Property("StreetNumber", &TAddress::StreetNumber)
                                    .Build();
  return info;
}

const ClassInfo& TMerchant::Class() {
  static const ClassInfo info = ClassBuilder<TMerchant>("TMerchant")
                                    .Property("Address", &TMerchant::Address)
                                    .Property("Id", &TMerchant::Id)
                                    .Property("Name", &TMerchant::Name)
                                    .Property("ShortId", &TMerchant::ShortId)
                                    .Build();
  return info;
}

const ClassInfo& Tindoor::Class() {
  static const ClassInfo info = ClassBuilder<Tindoor>("Tindoor")
                                    .Property("Table", &Tindoor::Table)
                                    .Property("Mode", &Tindoor::Mode)
                                    .Property("DeliveryDateTime", &Tindoor::DeliveryDateTime)
                                    .Property("Observations", &Tindoor::Observations)
                                    .Build();
  return info;
}

const ClassInfo& TMerchantPedido::Class() {
  static const ClassInfo info =
      ClassBuilder<TMerchantPedido>("TMerchantPedido")
          .Property("Payments", &TMerchantPedido::Payments)
          .Property("OrderType", &TMerchantPedido::OrderType)
          .Property("OrderTiming", &TMerchantPedido::OrderTiming)
          .Property("benefits", &TMerchantPedido::benefits)
          .Property("Customer", &TMerchantPedido::Customer)
          .Property("Items", &TMerchantPedido::Items)
          .Property("Total", &TMerchantPedido::Total)
          .Property("schedule", &TMerchantPedido::schedule)
          .Property("Id", &TMerchantPedido::Id)
          .Property("PreparationStartDateTime", &TMerchantPedido::PreparationStartDateTime)
          .Property("DisplayId", &TMerchantPedido::DisplayId)
          .Property("ExtraInfo", &TMerchantPedido::ExtraInfo)
          .Property("Delivery", &TMerchantPedido::Delivery)
          .Property("takeout", &TMerchantPedido::takeout)
          .Property("CreatedAt", &TMerchantPedido::CreatedAt)
          .Property("SalesChannel", &TMerchantPedido::SalesChannel)
          .Property("IsTest", &TMerchantPedido::IsTest)
          .Property("additionalFees", &TMerchantPedido::additionalFees)
          .Property("Merchant", &TMerchantPedido::Merchant)
          .Property("indoor", &TMerchantPedido::indoor)
          .Build();
  return info;
}

}  // namespace UMerchantPedido
