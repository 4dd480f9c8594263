#pragma once

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace norva::test {

// Copies the shipped files of one language (NAgent.<code>, Language.<code>)
// from the runnable tree into a test's folder.
inline void copyShippedLanguage(const TempDir& dir, const std::string& code) {
  for (const char* base : {"NAgent.", "Language."}) {
    const std::string name = base + code;
    std::filesystem::copy_file(std::string(NORVA_BIN_DIR) + "/" + name, dir.file(name));
  }
}

}  // namespace norva::test
