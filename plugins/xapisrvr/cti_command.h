#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "xapi/xapi_records.h"

namespace xapisrvr {

// One command line from a CTI client, read into the agent's command record.
struct CtiCommand {
  bool ok = false;
  nlohmann::json id;    // as the client sent it; null without one
  std::string name;     // the command's name as sent
  std::string error;    // why it was refused, when not ok
  TStates record{};
};

// Never throws; anything that is not a valid command comes back refused.
CtiCommand parseCtiCommand(const std::string& line);

}  // namespace xapisrvr
