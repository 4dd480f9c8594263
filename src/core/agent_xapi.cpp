// The agent's side of the XAPI bridge: loading and unloading it, the
// forwarding of the decoders' feeds, and what a '#' request reads.
#include "core/agent.h"
#include "data/tdata.h"
#include "xapi/xapi_bridge.h"

namespace norva {

void Agent::loadXapiBridge() {
  XapiAgentSide side;
  side.writeLog = [this](const std::string& tag, const std::string& t) { writeLog(tag, t); };
  side.queueRequest = [this](char kind, int value) { QueueRequest(kind, value); };
  Xapi = std::make_unique<XapiBridge>(std::move(side), config_.prefixes, env_.loop);
  if (env_.libraries != nullptr) {
    Xapi->Load(*env_.libraries);
  } else {
    // Nothing can load it: as if the library were missing.
    writeLog("XAPI", "Error");
  }
  hooks_.xapi = Xapi.get();
}

void Agent::destroyXapiBridge() {
  hooks_.xapi = nullptr;
  Xapi.reset();  // the bridge unloads the library as it goes
}

int Agent::buildOwnRequest(char kind, int value, PayloadBuffer& out) {
  if (kind == '#' && Xapi) {
    return BuildRequest(kind, value, *Data, out, Xapi->station(), Xapi->commandText());
  }
  return BuildRequest(kind, value, *Data, out);
}

bool Agent::Hooks::xapiActive() const { return xapi != nullptr && xapi->active(); }

void Agent::Hooks::XAPI_PutInfo(const std::uint8_t* info7) {
  if (xapi != nullptr) xapi->PutInfo(info7);
}

void Agent::Hooks::XAPI_PutLines(int count, const std::uint8_t* lines) {
  if (xapi != nullptr) xapi->PutLines(count, lines);
}

void Agent::Hooks::XAPI_PutStates(int count, const std::uint8_t* records) {
  if (xapi != nullptr) xapi->PutStates(count, records);
}

void Agent::Hooks::XAPI_PutCLIP(int line, const std::string& number) {
  if (xapi != nullptr) xapi->PutCLIP(line, number);
}

void Agent::Hooks::XAPI_PutFront(int lineOffset, const std::uint8_t* front, int length) {
  if (xapi != nullptr) xapi->PutFront(lineOffset, front, length);
}

}  // namespace norva
