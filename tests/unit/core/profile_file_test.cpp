#include "core/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace norva {
namespace {

using test::TempDir;

const char* const kSample =
    "; agent settings\r\n"
    "[Set]\r\n"
    "  Port =  COM3:9600,N,8,1  \r\n"
    "Lang=\"De\"\r\n"
    "quoted=\"  padded \"\r\n"
    "half=\"open\r\n"
    "Lang=Cz\r\n"
    "\r\n"
    "[Timer]\r\n"
    "Interval=200\r\n"
    "[set]\r\n"
    "IPPort=999\r\n";

TEST(ProfileFile, ReadsByProfileRules) {
  TempDir dir;
  dir.write("a.ini", kSample);
  const ProfileFile f(dir.file("a.ini"));
  EXPECT_TRUE(f.exists());
  EXPECT_EQ(f.readString("SET", "port", "x"), "COM3:9600,N,8,1");  // case and spaces
  EXPECT_EQ(f.readString("Set", "Lang", "x"), "De");               // quotes, first duplicate
  EXPECT_EQ(f.readString("Set", "quoted", "x"), "  padded ");      // quoted spaces kept
  EXPECT_EQ(f.readString("Set", "half", "x"), "\"open");           // unmatched quote kept
  EXPECT_EQ(f.readInteger("Timer", "Interval", 1), 200);
  // The second [set] section is shadowed by the first.
  EXPECT_EQ(f.readInteger("Set", "IPPort", 1234), 1234);
  EXPECT_EQ(f.readString("Nope", "Port", "def"), "def");
  EXPECT_EQ(f.readString("Set", "Nope", "def"), "def");
}

TEST(ProfileFile, MissingFileReadsDefaultsAndIsNotCreated) {
  TempDir dir;
  const ProfileFile f(dir.file("none.ini"));
  EXPECT_FALSE(f.exists());
  EXPECT_EQ(f.readInteger("Set", "IPPort", 1234), 1234);
  EXPECT_TRUE(f.sectionLines("Prefix").empty());
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.ini")));
}

TEST(ProfileFile, IntegerValues) {
  const struct {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {" 42 ", 42},        {"42", 42},       {"-5", -5},          {"+7", 7},
      {"0", 0},            {"42abc", {}},    {"0x10", {}},        {"99999999999", {}},
      {"", {}},            {"-", {}},        {"4 2", {}},         {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},      {"2147483648", {}},  {"++1", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProfileFile::parseInteger(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(ProfileFile, BooleanValues) {
  TempDir dir;
  dir.write("b.ini", "[Log]\nzero=0\none=1\nseven=7\nneg=-1\nword=yes\nempty=\n");
  const ProfileFile f(dir.file("b.ini"));
  EXPECT_FALSE(f.readBool("Log", "zero", true));
  EXPECT_TRUE(f.readBool("Log", "one", false));
  EXPECT_TRUE(f.readBool("Log", "seven", false));
  EXPECT_TRUE(f.readBool("Log", "neg", false));
  EXPECT_FALSE(f.readBool("Log", "word", false));
  EXPECT_TRUE(f.readBool("Log", "word", true));
  EXPECT_TRUE(f.readBool("Log", "empty", true));
}

TEST(ProfileFile, SectionLinesKeepDuplicatesInOrder) {
  TempDir dir;
  dir.write("p.ini", "[Prefix]\n; comment\n0 = 9\nstray line\n0=8\n  420=  00 \n[Other]\nx=1\n");
  const ProfileFile f(dir.file("p.ini"));
  EXPECT_EQ(f.sectionLines("prefix"), (std::vector<std::string>{"0=9", "0=8", "420=00"}));
}

TEST(ProfileFile, WritingOneKeyKeepsTheRestOfTheFile) {
  TempDir dir;
  dir.write("w.ini", kSample);
  ProfileFile f(dir.file("w.ini"));
  ASSERT_TRUE(f.writeString("set", "PORT", "COM1:57600,E,7,2"));
  const std::string expected =
      "; agent settings\r\n"
      "[Set]\r\n"
      "Port=COM1:57600,E,7,2\r\n"
      "Lang=\"De\"\r\n"
      "quoted=\"  padded \"\r\n"
      "half=\"open\r\n"
      "Lang=Cz\r\n"
      "\r\n"
      "[Timer]\r\n"
      "Interval=200\r\n"
      "[set]\r\n"
      "IPPort=999\r\n";
  EXPECT_EQ(dir.read("w.ini"), expected);
  EXPECT_EQ(ProfileFile(dir.file("w.ini")).readString("Set", "Port", ""), "COM1:57600,E,7,2");
}

TEST(ProfileFile, WritingAddsKeysAndSections) {
  TempDir dir;
  dir.write("w.ini", "[Set]\nPort=COM2\n\n[Log]\nCom_In=1\n");
  ProfileFile f(dir.file("w.ini"));
  ASSERT_TRUE(f.writeBool("Set", "ReadUct", false));
  ASSERT_TRUE(f.writeInteger("Timer", "Interval", 250));
  ASSERT_TRUE(f.writeString("Set", "Lang", "a\r\nb"));  // a value stays on one line
  EXPECT_EQ(dir.read("w.ini"),
            "[Set]\nPort=COM2\nReadUct=0\nLang=ab\n\n[Log]\nCom_In=1\n\n[Timer]\nInterval=250\n");
}

TEST(ProfileFile, WritingCreatesAMissingFile) {
  TempDir dir;
  ProfileFile f(dir.file("new.ini"));
  ASSERT_TRUE(f.writeString("Set", "Lang", "Cz"));
  EXPECT_EQ(dir.read("new.ini"), "[Set]\nLang=Cz\n");
}

TEST(ProfileFile, WriteFailureIsReported) {
  TempDir dir;
  ProfileFile f(dir.file("missing-folder/x.ini"));
  EXPECT_FALSE(f.writeString("Set", "Lang", "Cz"));
}

}  // namespace
}  // namespace norva
