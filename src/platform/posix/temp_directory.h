#pragma once

#include <string>

namespace norva {

// The system's temporary directory (TMPDIR, else /tmp) without a closing "/".
std::string systemTempDirectory();

}  // namespace norva
