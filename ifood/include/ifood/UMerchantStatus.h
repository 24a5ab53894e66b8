#pragma once
// The store status document of iFood's Merchant API. The endpoint answers with a JSON array;
// the caller wraps it as {"Items": [...]} and reads it with TMerchantStatus::FromJsonString
// (nullptr for "" or "null", EConvertError otherwise when it is not such an object). The caller
// owns the result. Keys bind ignoring case; keys without a member are ignored.

#include <memory>
#include <string>
#include <vector>

#include "common/JsonMapping.h"

namespace UMerchantStatus {

class TMessage : public JsonDocument<TMessage> {
 public:
  std::string Description;
  std::string Subtitle;
  std::string Title;
  static const ClassInfo& Class();
};

class TValidations : public JsonDocument<TValidations> {
 public:
  std::string Code;
  std::string Id;
  std::unique_ptr<TMessage> Message;
  std::string State;
  static const ClassInfo& Class();
};

class TReopenable : public JsonDocument<TReopenable> {
 public:
  std::string Identifier;
  bool Reopenable = false;
  std::string Type;
  static const ClassInfo& Class();
};

// The status of one operation of the store (delivery, takeout...).
class TItem : public JsonDocument<TItem> {
 public:
  bool Available = false;
  std::unique_ptr<TMessage> Message;
  std::string Operation;
  std::unique_ptr<TReopenable> Reopenable;
  std::string SalesChannel;
  std::string State;
  std::vector<std::unique_ptr<TValidations>> Validations;
  static const ClassInfo& Class();
};

class TMerchantStatus : public JsonDocument<TMerchantStatus> {
 public:
  std::vector<std::unique_ptr<TItem>> Items;
  static const ClassInfo& Class();
};

}  // namespace UMerchantStatus

using UMerchantStatus::TMerchantStatus;
