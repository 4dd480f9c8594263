#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace norva {

class TNLS;

enum class TraceForm { Request, Answer };

// The name of command c is text 1000 + c, of item i text 2000 + i; a missing
// text is the empty string.
using TraceNames = std::function<std::string(int number)>;

// A packet payload in readable form: command, item and index names, the
// error status of an answer, and with `dump` the remaining bytes in decimal.
// `requestCommand` is byte 0 of the request an answer belongs to.
std::string TraceText(TraceForm form, const std::uint8_t* payload, int length,
                      std::uint8_t requestCommand, bool dump, const TraceNames& names);
std::string TraceText(TraceForm form, const std::uint8_t* payload, int length,
                      std::uint8_t requestCommand, bool dump, const TNLS& nls);

}  // namespace norva
