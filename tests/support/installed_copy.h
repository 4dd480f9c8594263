#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace norva::test {

// A copy of the runnable tree in a folder of its own, to show that the
// program reads the configuration beside itself wherever it lies.
class InstalledCopy {
 public:
  InstalledCopy() {
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(NORVA_BIN_DIR)) {
      const std::string name = entry.path().filename().string();
      if (name == "NAgent.INI" || !entry.is_regular_file()) continue;
      fs::copy_file(entry.path(), dir.file(name));
    }
  }
  std::string program() const { return dir.file("NAgent"); }
  TempDir dir;
};

// No display, as under a service manager.
inline const std::vector<std::string> kHeadlessEnv = {"DISPLAY", "WAYLAND_DISPLAY",
                                                      "QT_QPA_PLATFORM"};

}  // namespace norva::test
