#include "core/version.h"

#include <cstdio>

#include "core/agent.h"

namespace norva {

std::string formatVersion(int major, int minor, int patch) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%02d", major, minor);
  std::string text = buf;
  if (patch > 0 && patch <= 26) {
    text += ' ';
    text += static_cast<char>('A' + patch - 1);
  }
  return text;
}

std::string buildStamp() { return std::string(__DATE__) + "," + __TIME__; }

std::string Agent::versionText() {
  return formatVersion(NORVA_VERSION_MAJOR, NORVA_VERSION_MINOR, NORVA_VERSION_PATCH);
}

}  // namespace norva
