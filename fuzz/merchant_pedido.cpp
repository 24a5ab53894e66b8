// The order details document read from any text.
#include "RoundTrip.h"
#include "ifood/UMerchantPedido.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckRoundTrip<TMerchantPedido>(data, size);
  return 0;
}
