#include "core/cp1250.h"

#include <gtest/gtest.h>

namespace norva {
namespace {

TEST(Cp1250, CzechAndGermanLetters) {
  // "Příliš žluťoučký kůň" and "Grüße" in Windows-1250.
  const std::string cz = "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2";
  EXPECT_EQ(cp1250ToUtf8(cz), "Příliš žluťoučký kůň");
  EXPECT_EQ(utf8ToCp1250("Příliš žluťoučký kůň"), cz);
  EXPECT_EQ(cp1250ToUtf8("Gr\xFC\xDF" "e"), "Grüße");
  EXPECT_EQ(cp1250ToUtf8("\x80"), "€");
}

TEST(Cp1250, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(utf8ToCp1250(cp1250ToUtf8(all)), all);
}

TEST(Cp1250, WhatTheCodePageLacksBecomesAQuestionMark) {
  EXPECT_EQ(utf8ToCp1250("a€b日c"), "a\x80" "b?c");
  EXPECT_EQ(utf8ToCp1250("x\xC3"), "x?");      // cut sequence
  EXPECT_EQ(utf8ToCp1250("\xFF" "y"), "?y");   // invalid lead byte
}

}  // namespace
}  // namespace norva
