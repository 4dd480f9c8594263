#pragma once

#include <string>
#include <string_view>

namespace norva {

std::string_view trim(std::string_view text);
// ASCII case-insensitive comparison, as profile names are matched.
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace norva
