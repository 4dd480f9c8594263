#pragma once

namespace norva::service {

// The fixed names the service is known by to the system.
inline constexpr const char* kServiceName = "NorvaAgent";
inline constexpr const char* kDisplayName = "Norva Agent";
inline constexpr const char* kServiceSwitch = "/service";
inline constexpr const char* kHideSwitch = "/hide";

}  // namespace norva::service
