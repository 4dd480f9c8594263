#include "data/encodings.h"

#include <array>

namespace norva {

namespace {

constexpr std::string_view kNumberTable = ".1234567890*#FPSABCD";  // code 20 ends the text
constexpr std::string_view kDialTable = "1234567890*#F,SABCDTW-xxxxxxxx?P";

// clang-format off
constexpr unsigned char kPlain[] = {
    '1', '2', '3', '4', '5', '6', '7', '8', '9', '0',
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
    'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z',
    'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm',
    'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z',
    // Á É Í Ý Ó Ú á é í ý ó ú Č Ď Ě Ň Ř Š Ť Ž č ď ě ň ř š ť ž in Windows-1250
    0xC1, 0xC9, 0xCD, 0xDD, 0xD3, 0xDA, 0xE1, 0xE9, 0xED, 0xFD, 0xF3, 0xFA,
    0xC8, 0xCF, 0xCC, 0xD2, 0xD8, 0x8A, 0x8D, 0x8E, 0xE8, 0xEF, 0xEC, 0xF2,
    0xF8, 0x9A, 0x9D, 0x9E,
    '+', '-', '*', '/', '=', '?', '!', '<', '>', '[', ']', '(', ')', '{',
    '}', '.', ',', ':', ';', '@', '#', '$', '%', '^', '&', '|', '_', '\'',
};

// A fixed arrangement of the same 118 characters; none stays in its place.
constexpr unsigned char kKey[] = {
    0x66, 0x56, 0x78, 0xC8, 0x33, 0xCC, 0x7B, 0x73, 0x59, 0x5A, 0x34, 0x4F,
    0xFD, 0xEC, 0x42, 0x76, 0x57, 0x65, 0xCD, 0x3B, 0x32, 0x3E, 0xDD, 0x39,
    0x4E, 0x3C, 0xCF, 0x38, 0x6C, 0x72, 0x6F, 0x2C, 0xFA, 0x75, 0xF3, 0x41,
    0x35, 0x6E, 0x5D, 0xD3, 0x53, 0x43, 0xDA, 0xE9, 0x77, 0x50, 0x4A, 0x54,
    0x64, 0x61, 0x45, 0x31, 0x7C, 0x23, 0x8A, 0x36, 0x48, 0x40, 0x4C, 0x5B,
    0x46, 0xE1, 0xF8, 0x55, 0xED, 0x9D, 0x9E, 0x67, 0x24, 0xD8, 0x28, 0x6D,
    0x7D, 0x6B, 0x79, 0xC1, 0x8E, 0x4B, 0x29, 0x2A, 0x4D, 0x2B, 0x9A, 0x69,
    0x37, 0x5E, 0x21, 0x58, 0x63, 0x30, 0xF2, 0xEF, 0x3F, 0x6A, 0xC9, 0x5F,
    0x25, 0x68, 0x2D, 0x3D, 0x3A, 0x27, 0x51, 0xD2, 0x74, 0x52, 0xE8, 0x2E,
    0x47, 0x71, 0x8D, 0x70, 0x2F, 0x26, 0x62, 0x44, 0x49, 0x7A,
};
// clang-format on

static_assert(sizeof kPlain == 118 && sizeof kKey == 118);

// from[c] -> to[c] for every character of `from`; the rest map to themselves.
constexpr std::array<unsigned char, 256> substitution(const unsigned char* from,
                                                      const unsigned char* to) {
  std::array<unsigned char, 256> map{};
  for (int c = 0; c < 256; ++c) map[c] = static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < sizeof kPlain; ++i) map[from[i]] = to[i];
  return map;
}

constexpr auto kStore = substitution(kKey, kPlain);
constexpr auto kLoad = substitution(kPlain, kKey);

std::string substitute(std::string_view text, const std::array<unsigned char, 256>& map) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(map[static_cast<unsigned char>(c)]);
  return out;
}

}  // namespace

std::string DecodeNumber(const std::uint8_t* codes, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t code = codes[i];
    // Codes past the table would read foreign bytes: they end the number like code 20.
    if (code == 0 || code >= kNumberTable.size()) break;
    text += kNumberTable[code];
  }
  return text;
}

std::vector<std::uint8_t> EncodeDialString(std::string_view text, int count) {
  std::vector<std::uint8_t> codes(count > 0 ? static_cast<std::size_t>(count) : 0, 0);
  for (std::size_t i = 0; i < codes.size() && i < text.size(); ++i) {
    if (text[i] == '\0') break;
    const std::size_t at = kDialTable.find(text[i]);
    if (at != std::string_view::npos) codes[i] = static_cast<std::uint8_t>(at + 1);
  }
  return codes;
}

std::string StorePassword(std::string_view password) { return substitute(password, kStore); }

std::string LoadPassword(std::string_view stored) { return substitute(stored, kLoad); }

std::string_view passwordPlainAlphabet() {
  return std::string_view(reinterpret_cast<const char*>(kPlain), sizeof kPlain);
}

std::string_view passwordKeyTable() {
  return std::string_view(reinterpret_cast<const char*>(kKey), sizeof kKey);
}

}  // namespace norva
