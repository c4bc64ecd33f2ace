// SHA-1, for the QR code's hash of version 2 (the NFC-e's text asks for
// it; nothing here relies on SHA-1 for secrecy).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv::nfce {

std::array<std::uint8_t, 20> sha1(std::string_view data);
// The digest in upper-case hexadecimal, 40 characters.
std::string sha1_hex(std::string_view data);
// Each byte of `data` as two upper-case hexadecimal digits.
std::string hex(std::string_view data);

} // namespace qv::nfce
