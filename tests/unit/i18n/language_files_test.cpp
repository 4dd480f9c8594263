// The shipped language files hold every key the agent asks for.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/profile_file.h"
#include "i18n/language_keys.h"

namespace norva {
namespace {

bool isValidUtf8Text(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const std::size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 0;
    if (len == 0 || i + len > bytes.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

template <typename Keys>
void expectKeys(const ProfileFile& file, const char* section, const Keys& keys) {
  for (const auto key : keys) {
    const auto value = file.find(section, std::to_string(key));
    EXPECT_TRUE(value && !value->empty()) << file.path() << " [" << section << "] " << key;
  }
}

class LanguageFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(LanguageFiles, HoldEveryKeyTheAgentAsksFor) {
  const std::string dir = NORVA_BIN_DIR;
  const ProfileFile agent(dir + "/NAgent." + GetParam());
  const ProfileFile language(dir + "/Language." + GetParam());
  ASSERT_TRUE(agent.exists()) << agent.path();
  ASSERT_TRUE(language.exists()) << language.path();
  expectKeys(agent, "Texty", kTextyNumbers);
  expectKeys(agent, "Common", kCommonKeys);
  expectKeys(agent, "Menu", kMenuKeys);
  expectKeys(language, "Text", kLanguageTextNumbers);
}

TEST_P(LanguageFiles, AreWindows1250NotUtf8) {
  for (const std::string name : {"NAgent.", "Language."}) {
    std::ifstream in(std::string(NORVA_BIN_DIR) + "/" + name + GetParam(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    bool nonAscii = false;
    for (const char c : bytes) nonAscii = nonAscii || static_cast<unsigned char>(c) >= 0x80;
    if (nonAscii) {
      EXPECT_FALSE(isValidUtf8Text(bytes)) << name << GetParam() << " looks like UTF-8";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, LanguageFiles, ::testing::Values("Eng", "Cz", "De"));

}  // namespace
}  // namespace norva
