#include "platform/posix/temp_directory.h"

#include <cstdlib>

namespace norva {

std::string systemTempDirectory() {
  const char* env = std::getenv("TMPDIR");
  std::string dir = env != nullptr && *env != '\0' ? env : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace norva
