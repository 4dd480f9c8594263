// A CTI client's command line, as the CTI server library reads it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cti_command.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const xapisrvr::CtiCommand c = xapisrvr::parseCtiCommand(line);
  if (c.ok) {
    // What the agent may rely on in an accepted command record.
    if (c.record.code < 0 || c.record.code > 5) std::abort();
    if (c.record.station < 0 || c.record.station > 255) std::abort();
    if (c.record.code == 4 && (strnlen(c.record.text, sizeof c.record.text) == 0 ||
                               strnlen(c.record.text, sizeof c.record.text) > 30)) {
      std::abort();
    }
  } else if (c.error.empty()) {
    std::abort();
  }
  // The id goes back to the client as JSON.
  (void)c.id.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return 0;
}
