#include "data/trace_text.h"

#include <algorithm>
#include <iterator>

#include "i18n/tnls.h"

namespace norva {

namespace {

constexpr int kCommandNames = 1000;
constexpr int kItemNames = 2000;
constexpr int kFirstStringItem = 49;  // items from here on are shown by number

bool withoutArguments(int c) {
  constexpr int kCommands[] = {2, 3, 4, 5, 6, 13, 14, 16, 17, 23};
  return std::find(std::begin(kCommands), std::end(kCommands), c) != std::end(kCommands);
}

std::string indexed(const std::string& name, int index) {
  return name + "[" + std::to_string(index) + "]";
}

// Appends the request's explanation; returns how many bytes it explains.
int request(std::string& out, const std::uint8_t* p, int length, const TraceNames& names) {
  const int c = p[0];
  if (withoutArguments(c) && length > 1) {
    out += "Cmd: ERROR";
    return 1;
  }
  if (c < 32 && c != 0 && c != 1) {
    out += names(kCommandNames + c);
    return 1;
  }
  out += c >= 32 ? "Cmd: " + std::to_string(c) + " " : names(kCommandNames + c) + " ";
  if (length == 1) return 1;
  const int item = p[1];
  const int index = length > 2 ? p[2] : 0;
  if (item >= kFirstStringItem) {
    out += indexed("Str:" + std::to_string(item), index);
  } else if (index != 0) {
    out += indexed(names(kItemNames + item), index);
  } else {
    out += names(kItemNames + item);
  }
  return 3;
}

int answer(std::string& out, const std::uint8_t* p, int length, int c, const TraceNames& names) {
  int shown = 1;
  if (c == 4 || c == 5) {
    out += names(kCommandNames + c) + " ";
  } else if (c == 2 || c == 3 || (c >= 6 && c <= 14)) {
    out += names(kCommandNames + c);
  } else if (length >= 2) {
    const std::string item =
        p[1] >= kFirstStringItem ? "Str:" + std::to_string(p[1]) : names(kItemNames + p[1]);
    if (length > 2) {
      out += p[2] != 0 ? indexed(item, p[2]) : item;
      shown = 3;
    } else {
      out += item;
      shown = 2;
    }
  }
  if (p[0] != 0) out += "Error " + std::to_string(p[0]) + ": ";
  return shown;
}

}  // namespace

std::string TraceText(TraceForm form, const std::uint8_t* payload, int length,
                      std::uint8_t requestCommand, bool dump, const TraceNames& names) {
  std::string out;
  if (length <= 0) return out;
  const int shown = form == TraceForm::Request
                        ? request(out, payload, length, names)
                        : answer(out, payload, length, requestCommand, names);
  if (dump) {
    for (int i = shown; i < length; ++i) out += " " + std::to_string(payload[i]);
  }
  return out;
}

std::string TraceText(TraceForm form, const std::uint8_t* payload, int length,
                      std::uint8_t requestCommand, bool dump, const TNLS& nls) {
  return TraceText(form, payload, length, requestCommand, dump,
                   [&nls](int number) { return nls.GetText(number); });
}

}  // namespace norva
