#include "data/encodings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace norva {
namespace {

struct DecodeCase {
  std::vector<std::uint8_t> codes;
  int count;
  std::string text;
};

TEST(DecodeNumber, Cases) {
  const DecodeCase cases[] = {
      {{2, 10, 11, 0}, 4, "20*"},
      {{1, 2, 3, 4, 5}, 4, "1234"},
      {{0, 1, 2}, 3, ""},
      {{1, 2}, 0, ""},
      {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10, "1234567890"},
      {{11, 12, 13, 14, 15, 16, 17, 18, 19}, 9, "*#FPSABCD"},
      {{3, 0, 4}, 3, "3"},   // code 0 ends the number
      {{3, 20, 4}, 3, "3"},  // code 20 is the table's terminator
      {{3, 21, 4}, 3, "3"},  // codes past the table end it too
      {{255, 1}, 2, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeNumber(c.codes.data(), c.count), c.text) << c.text;
  }
}

TEST(EncodeDialString, Cases) {
  using V = std::vector<std::uint8_t>;
  EXPECT_EQ(EncodeDialString("12P", 8), (V{1, 2, 32, 0, 0, 0, 0, 0}));
  EXPECT_EQ(EncodeDialString("p", 2), (V{0, 0}));  // case-sensitive
  EXPECT_EQ(EncodeDialString("1234567890*#F,SABCDTW-x?P", 25),
            (V{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
               14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 31, 32}));
  EXPECT_EQ(EncodeDialString("1 2", 3), (V{1, 0, 2}));  // not in the table
  EXPECT_EQ(EncodeDialString(std::string_view("1\0"
                                              "2",
                                              3),
                             3),
            (V{1, 0, 0}));  // zero ends it
  EXPECT_EQ(EncodeDialString("123456789", 8), (V{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(EncodeDialString("", 3), (V{0, 0, 0}));
  EXPECT_TRUE(EncodeDialString("12", 0).empty());
}

TEST(Password, KeyTableIsAPermutationOfThePlainAlphabet) {
  const std::string_view plain = passwordPlainAlphabet();
  const std::string_view key = passwordKeyTable();
  ASSERT_EQ(plain.size(), 118u);
  EXPECT_EQ(plain.substr(0, 62), "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(plain.substr(62, 28),
            "\xC1\xC9\xCD\xDD\xD3\xDA\xE1\xE9\xED\xFD\xF3\xFA\xC8\xCF\xCC\xD2\xD8\x8A\x8D\x8E"
            "\xE8\xEF\xEC\xF2\xF8\x9A\x9D\x9E");
  EXPECT_EQ(plain.substr(90), "+-*/=?!<>[](){}.,:;@#$%^&|_'");
  EXPECT_EQ(std::set<char>(plain.begin(), plain.end()).size(), 118u);

  std::string a(plain), b(key);
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
}

TEST(Password, LoadUndoesStoreForEveryCharacter) {
  const std::string plain(passwordPlainAlphabet());
  const std::string stored = StorePassword(plain);
  EXPECT_EQ(stored.size(), plain.size());
  EXPECT_NE(stored, plain);
  EXPECT_EQ(LoadPassword(stored), plain);
  EXPECT_EQ(StorePassword(LoadPassword(plain)), plain);
  for (char c : plain) {
    const std::string one(1, c);
    EXPECT_EQ(LoadPassword(StorePassword(one)), one) << static_cast<int>(c);
  }
}

TEST(Password, CharactersOutsideTheAlphabetAndEmptyTextStayAsTheyAre) {
  const std::string outside = " \"\\~`\xE4\xF6\x01";  // space, quotes, backslash, ä, ö, ...
  EXPECT_EQ(StorePassword(outside), outside);
  EXPECT_EQ(LoadPassword(outside), outside);
  EXPECT_EQ(StorePassword(""), "");
  EXPECT_EQ(LoadPassword(""), "");
  const std::string mixed = "ab c";
  const std::string stored = StorePassword(mixed);
  EXPECT_EQ(stored[2], ' ');
  EXPECT_EQ(LoadPassword(stored), mixed);
}

}  // namespace
}  // namespace norva
