#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norva {

// Numbers the PBX reports, one code byte per character: 1-9 '1'-'9', 10 '0',
// 11 '*', 12 '#', 13 'F', 14 'P', 15 'S', 16-19 'A'-'D'. Reading stops at
// `count` codes, at code 0 and at any code of 20 or more.
std::string DecodeNumber(const std::uint8_t* codes, int count);

// Exactly `count` dial codes for the text, 0 for a character outside the dial
// table and for every position past the text.
std::vector<std::uint8_t> EncodeDialString(std::string_view text, int count);

// The Mail602 password as the configuration file holds it, and back.
// Characters outside the 118-character alphabet are kept as they are.
std::string StorePassword(std::string_view password);
std::string LoadPassword(std::string_view stored);

// The two password tables, each 118 bytes of Windows-1250.
std::string_view passwordPlainAlphabet();
std::string_view passwordKeyTable();

}  // namespace norva
