#include "ifood/UMerchantStatus.h"

namespace UMerchantStatus {

const ClassInfo& TMessage::Class() {
  static const ClassInfo info = ClassBuilder<TMessage>("TMessage")
                                    .Property("Description", &TMessage::Description)
                                    .Property("Subtitle", &TMessage::Subtitle)
                                    .Property("Title", &TMessage::Title)
                                    .Build();
  return info;
}

const ClassInfo& TValidations::Class() {
  static const ClassInfo info = ClassBuilder<TValidations>("TValidations")
                                    .Property("Code", &TValidations::Code)
                                    .Property("Id", &TValidations::Id)
                                    .Property("Message", &TValidations::Message)
                                    .Property("State", &TValidations::State)
                                    .Build();
  return info;
}

const ClassInfo& TReopenable::Class() {
  static const ClassInfo info = ClassBuilder<TReopenable>("TReopenable")
                                    .Property("Identifier", &TReopenable::Identifier)
                                    .Property("Reopenable", &TReopenable::Reopenable)
                                    .Property("Type", &TReopenable::Type)
                                    .Build();
  return info;
}

const ClassInfo& TItem::Class() {
  static const ClassInfo info = ClassBuilder<TItem>("TItem")
                                    .Property("Available", &TItem::Available)
                                    .Property("Message", &TItem::Message)
                                    .Property("Operation", &TItem::Operation)
                                    .Property("Reopenable", &TItem::Reopenable)
                                    .Property("SalesChannel", &TItem::SalesChannel)
                                    .Property("State", &TItem::State)
                                    .Property("Validations", &TItem::Validations)
                                    .Build();
  return info;
}

const ClassInfo& TMerchantStatus::Class() {
  static const ClassInfo info = ClassBuilder<TMerchantStatus>("TMerchantStatus")
                                    .Property("Items", &TMerchantStatus::Items)
                                    .Build();
  return info;
}

}  // namespace UMerchantStatus
