#include "cti_command.h"

#include <cstring>
#include <optional>

#include "core/cp1250.h"
#include "data/codecs.h"

namespace xapisrvr {

using nlohmann::json;

namespace {

struct CommandName {
  const char* name;
  int code;
};
constexpr CommandName kCommands[] = {{"speaker", 0},   {"microphone", 1}, {"volumeUp", 2},
                                     {"volumeDown", 3}, {"dial", 4},       {"takeFromQueue", 5}};

// What the agent's command record dials.
constexpr std::size_t kMaxNumber = norva::kCommandTextMax;

// A byte-sized number from a field of the message; nullopt when it is not one.
std::optional<int> byteField(const json& msg, const char* key) {
  const auto it = msg.find(key);
  if (it == msg.end() || !it->is_number_unsigned()) return std::nullopt;
  const auto v = it->get<std::uint64_t>();
  if (v > 255) return std::nullopt;
  return static_cast<int>(v);
}

CtiCommand refused(CtiCommand c, std::string why) {
  c.ok = false;
  c.error = std::move(why);
  return c;
}

}  // namespace

CtiCommand parseCtiCommand(const std::string& line) {
  CtiCommand c;
  const json msg = json::parse(line, nullptr, false);
  if (msg.is_discarded() || !msg.is_object()) return refused(std::move(c), "not a JSON object");
  if (const auto id = msg.find("id"); id != msg.end()) c.id = *id;
  const auto command = msg.find("command");
  if (command == msg.end() || !command->is_string()) return refused(std::move(c), "no command");
  c.name = command->get<std::string>();
  const CommandName* known = nullptr;
  for (const CommandName& k : kCommands) {
    if (c.name == k.name) known = &k;
  }
  if (known == nullptr) return refused(std::move(c), "unknown command");
  const std::optional<int> station = byteField(msg, "station");
  if (!station) return refused(std::move(c), "station must be a number from 0 to 255");
  c.record.code = known->code;
  c.record.station = *station;
  if (known->code == 4) {
    const auto number = msg.find("number");
    if (number == msg.end() || !number->is_string()) {
      return refused(std::move(c), "dial needs a number");
    }
    const std::string text = norva::utf8ToCp1250(number->get<std::string>());
    if (text.empty()) return refused(std::move(c), "the number is empty");
    if (text.size() > kMaxNumber) {
      return refused(std::move(c), "the number is longer than 30 characters");
    }
    for (const char ch : text) {
      if (static_cast<unsigned char>(ch) < 0x20) {
        return refused(std::move(c), "the number holds a control character");
      }
    }
    std::memcpy(c.record.text, text.data(), text.size());
  } else if (known->code == 5) {
    const std::optional<int> queue = byteField(msg, "queue");
    if (!queue) return refused(std::move(c), "takeFromQueue needs a queue from 0 to 255");
    c.record.text[0] = static_cast<char>(*queue);
  }
  c.ok = true;
  return c;
}

}  // namespace xapisrvr
