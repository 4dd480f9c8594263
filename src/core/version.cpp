#include <cstdio>

#include "core/agent.h"

namespace norva {

// "1.05 B" for version 1.5.2: the minor number in two digits, the patch
// level as a letter (none for 0).
std::string Agent::versionText() {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%02d", NORVA_VERSION_MAJOR, NORVA_VERSION_MINOR);
  std::string text = buf;
  if (NORVA_VERSION_PATCH > 0 && NORVA_VERSION_PATCH <= 26) {
    text += ' ';
    text += static_cast<char>('A' + NORVA_VERSION_PATCH - 1);
  }
  return text;
}

}  // namespace norva
