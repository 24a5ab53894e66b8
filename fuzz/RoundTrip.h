#pragma once
// The check every JSON reader's fuzz target makes. Reading may only fail with EConvertError (any
// other exception escapes and libFuzzer reports it). What was read must write as printable ASCII
// JSON that reads back to the same document: writing it again gives the same text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "common/Errors.h"

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz: %s\n%s\n", what, detail.c_str());
  std::abort();
}

template <class T>
void CheckRoundTrip(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<T> document;
  try {
    document = T::FromJsonString(text);
  } catch (const EConvertError&) {
    return;
  }
  if (!document) return;

  const std::string written = document->ToJsonString();
  for (const char c : written) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u > 127) Fail("texto escrito fora do ASCII imprimível", written);
  }
  std::unique_ptr<T> again;
  try {
    again = T::FromJsonString(written);
  } catch (const EConvertError& e) {
    Fail("o texto escrito não se lê de volta", std::string(e.what()) + "\n" + written);
  }
  if (!again) Fail("o texto escrito não é um objeto", written);
  const std::string rewritten = again->ToJsonString();
  if (rewritten != written) Fail("a releitura escreve outro texto", written + "\n" + rewritten);
}

}  // namespace fuzz
