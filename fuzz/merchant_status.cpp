// The store status document read from any text.
#include "RoundTrip.h"
#include "ifood/UMerchantStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckRoundTrip<TMerchantStatus>(data, size);
  return 0;
}
