#pragma once
// The order details document of iFood's Merchant API. Read the text that BuscarPedido returns
// with TMerchantPedido::FromJsonString (nullptr for "" or "null", EConvertError for text that is
// not an order); the caller owns the result and the whole tree below it. Keys bind ignoring case;
// keys without a member are ignored; a nested object with a value that does not fit is left out,
// while a bad value inside an array element fails the object that holds the array.
//
// Money and quantities are exact four-decimal amounts read from the number's own text. iFood sends
// fractional quantities for weighed items, so Quantity is an amount, not a whole number.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Currency.h"
#include "common/DateTime.h"
#include "common/JsonMapping.h"

namespace UMerchantPedido {

template <class T>
using TObjectList = std::vector<std::unique_ptr<T>>;

class TCard : public JsonDocument<TCard> {
 public:
  std::string Brand;
  static const ClassInfo& Class();
};

class Twallet : public JsonDocument<Twallet> {
 public:
  std::string name;
  static const ClassInfo& Class();
};

class Tcash : public JsonDocument<Tcash> {
 public:
  Currency changeFor;
  static const ClassInfo& Class();
};

// One payment method: one payment row of the sale.
class TMethods : public JsonDocument<TMethods> {
 public:
  std::unique_ptr<TCard> Card;
  std::unique_ptr<Twallet> wallet;
  std::unique_ptr<Tcash> cash;
  std::string Currency;  // "BRL"; the member hides the money type inside this class
  std::string Method;
  bool Prepaid = false;
  std::string Type;
  ::Currency Value;
  static const ClassInfo& Class();
};

class TPayments : public JsonDocument<TPayments> {
 public:
  Currency pending;
  // iFood sends "prepaid" as the amount paid online (e.g. 19.89). The flag reads any amount but
  // zero as true; PrepaidValue keeps the amount itself (0 when the key holds a flag).
  bool Prepaid = false;
  TObjectList<TMethods> Methods;
  Currency PrepaidValue;
  static const ClassInfo& Class();
};

class TSponsorshipValues : public JsonDocument<TSponsorshipValues> {
 public:
  std::string name;  // "IFOOD" or "MERCHANT"
  Currency value;
  static const ClassInfo& Class();
};

// One discount and who pays how much of it.
class TBenefits : public JsonDocument<TBenefits> {
 public:
  TObjectList<TSponsorshipValues> SponsorshipValues;
  std::string Target;  // "DELIVERY_FEE" marks a discount on the delivery fee
  std::string TargetId;
  Currency Value;
  static const ClassInfo& Class();
};

class TPhone : public JsonDocument<TPhone> {
 public:
  std::string Localizer;
  std::string LocalizerExpiration;
  std::string Number;
  static const ClassInfo& Class();
};

class TCustomer : public JsonDocument<TCustomer> {
 public:
  std::string Id;
  std::string Name;
  std::int32_t OrdersCountOnRestaurant = 0;
  std::unique_ptr<TPhone> Phone;
  std::string DocumentNumber;
  static const ClassInfo& Class();
};

// One option of an item: a complement, a flavour ("1/2 ...") or a note.
class TOptions : public JsonDocument<TOptions> {
 public:
  std::int32_t Index = 0;
  std::string Name;
  Currency Price;
  Currency Quantity;  // exact, may be fractional
  std::string Unit;
  Currency UnitPrice;
  std::string externalCode;
  std::string Id;
  bool item_nao_vinculado = false;  // working flag of the import, not an iFood key
  Currency addition;
  static const ClassInfo& Class();
};

// One ordered item.
class TItems : public JsonDocument<TItems> {
 public:
  std::string Unit;
  std::string Name;
  Currency OptionsPrice;
  Currency UnitPrice;
  Currency Price;
  std::string observations;
  std::int32_t Index = 0;
  bool item_nao_vinculado = false;  // working flag of the import, not an iFood key
  Currency Quantity;                // exact, may be fractional (weighed items)
  Currency TotalPrice;
  std::string externalCode;
  TObjectList<TOptions> Options;
  std::string id;
  static const ClassInfo& Class();
};

class TTotal : public JsonDocument<TTotal> {
 public:
  Currency AdditionalFees;
  Currency Benefits;
  Currency DeliveryFee;
  Currency OrderAmount;
  Currency SubTotal;
  static const ClassInfo& Class();
};

class Tschedule : public JsonDocument<Tschedule> {
 public:
  TDateTime deliveryDateTimeStart;  // UTC
  TDateTime deliveryDateTimeEnd;    // UTC
  static const ClassInfo& Class();
};

class TCoordinates : public JsonDocument<TCoordinates> {
 public:
  double Latitude = 0;
  double Longitude = 0;
  static const ClassInfo& Class();
};

class TDeliveryAddress : public JsonDocument<TDeliveryAddress> {
 public:
  std::string City;
  std::unique_ptr<TCoordinates> Coordinates;
  std::string Country;
  std::string FormattedAddress;
  std::string Neighborhood;
  std::string PostalCode;
  std::string Reference;
  std::string State;
  std::string StreetName;
  std::string StreetNumber;
  std::string complement;
  static const ClassInfo& Class();
};

class TDelivery : public JsonDocument<TDelivery> {
 public:
  std::string DeliveredBy;  // "IFOOD" or "MERCHANT"
  std::unique_ptr<TDeliveryAddress> DeliveryAddress;
  std::string DeliveryDateTime;  // kept as sent; copied to the sale as text
  std::string Mode;
  static const ClassInfo& Class();
};

class Ttakeout : public JsonDocument<Ttakeout> {
 public:
  std::string mode;
  std::string takeoutDateTime;
  std::string observations;
  static const ClassInfo& Class();
};

class TadditionalFees : public JsonDocument<TadditionalFees> {
 public:
  Currency value;
  std::string type;
  static const ClassInfo& Class();
};

class TAddress : public JsonDocument<TAddress> {
 public:
  std::string City;
  std::string Country;
  std::string FormattedAddress;
  std::string Neighborhood;
  std::string PostalCode;
  std::string State;
  std::string StreetName;
  std::string StreetNumber;
  static const ClassInfo& Class();
};

class TMerchant : public JsonDocument<TMerchant> {
 public:
  std::unique_ptr<TAddress> Address;
  std::string Id;
  std::string Name;
  std::string ShortId;
  static const ClassInfo& Class();
};

class Tindoor : public JsonDocument<Tindoor> {
 public:
  std::string Table;
  std::string Mode;            // "TABLE"
  TDateTime DeliveryDateTime;  // UTC; a timestamp here, text in TDelivery
  std::string Observations;
  static const ClassInfo& Class();
};

// The order (root of the document).
class TMerchantPedido : public JsonDocument<TMerchantPedido> {
 public:
  std::unique_ptr<TPayments> Payments;
  std::string OrderType;    // "DELIVERY", "TAKEOUT", ...
  std::string OrderTiming;  // "SCHEDULED" or "IMMEDIATE"
  TObjectList<TBenefits> benefits;
  std::unique_ptr<TCustomer> Customer;
  TObjectList<TItems> Items;
  std::unique_ptr<TTotal> Total;
  std::unique_ptr<Tschedule> schedule;
  std::string Id;
  TDateTime PreparationStartDateTime;  // UTC
  std::string DisplayId;
  std::string ExtraInfo;
  std::unique_ptr<TDelivery> Delivery;
  std::unique_ptr<Ttakeout> takeout;
  TDateTime CreatedAt;  // UTC
  std::string SalesChannel;
  bool IsTest = false;
  TObjectList<TadditionalFees> additionalFees;
  std::unique_ptr<TMerchant> Merchant;
  std::unique_ptr<Tindoor> indoor;
  static const ClassInfo& Class();
};

}  // namespace UMerchantPedido

using UMerchantPedido::TMerchantPedido;
