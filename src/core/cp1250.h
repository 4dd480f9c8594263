#pragma once

#include <string>
#include <string_view>

namespace norva {

// The agent's texts are Windows-1250 bytes; these convert at the edges that
// need Unicode (widgets, the standard-error log, the system log).
std::string cp1250ToUtf8(std::string_view text);
// Characters the code page lacks become '?'.
std::string utf8ToCp1250(std::string_view text);

}  // namespace norva
