#pragma once

#include <string>

namespace norva {

// The version as the about box and the information check show it: the minor
// number in two digits, a patch level as a letter ("1.05 B" for 1.5.2).
std::string formatVersion(int major, int minor, int patch);

// The date and time this program was built, as "Mmm dd yyyy,hh:mm:ss".
std::string buildStamp();

}  // namespace norva
