#pragma once
// Percent-encoding of request texts: unreserved characters (letters, digits, "-._~") stay, every
// other byte becomes %XX. Query values use it as it is; form bodies
// (application/x-www-form-urlencoded) write a space as "+".

#include <string>
#include <string_view>

[[nodiscard]] std::string PercentEncode(std::string_view text, bool spaceAsPlus = false);
