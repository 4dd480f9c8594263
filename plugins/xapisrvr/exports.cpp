// The library's entry points, as the agent looks them up. The agent calls
// them all from its one thread; the server does its work on its own.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

// First, so that the entry points' declarations are the exported ones.
#pragma GCC visibility push(default)
#include "xapi/xapi_records.h"
#pragma GCC visibility pop

#include "cti_server.h"

namespace {

std::unique_ptr<xapisrvr::CtiServer> gServer;

// The settings file beside this library, wherever the program's folder lies.
std::string settingsPath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&XAPI_Init), &info) == 0 || info.dli_fname == nullptr) {
    return "XAPISrvr.INI";
  }
  const std::string self = info.dli_fname;
  const std::size_t slash = self.rfind('/');
  return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + "XAPISrvr.INI";
}

}  // namespace

void XAPI_Init(void* window, unsigned int message) {
  const auto* w = static_cast<const XapiWindow*>(window);
  if (w == nullptr || w->post == nullptr || gServer) return;
  std::vector<std::string> problems;
  const std::string path = settingsPath();
  xapisrvr::CtiSettings settings = xapisrvr::readCtiSettings(path, &problems);
  for (const std::string& key : problems) {
    std::fprintf(stderr, "XAPISrvr: %s: bad value of %s, default used\n", path.c_str(), key.c_str());
  }
  auto server = std::make_unique<xapisrvr::CtiServer>(settings);
  const XapiWindow door = *w;
  std::string error;
  if (!server->start([door, message](std::intptr_t lParam) { door.post(door.context, message, lParam); },
                     &error)) {
    std::fprintf(stderr, "XAPISrvr: cannot serve CTI clients: %s\n", error.c_str());
    return;
  }
  std::fprintf(stderr, "XAPISrvr: CTI clients on %s:%d\n", settings.listen.c_str(), server->port());
  gServer = std::move(server);
}

void XAPI_DeInit() { gServer.reset(); }

void XAPI_PutLines(int count, char* lines) {
  if (gServer && lines != nullptr) gServer->putLines(count, lines);
}

void XAPI_PutInfo(TInfo* info) {
  if (gServer && info != nullptr) gServer->putInfo(info->bytes);
}

void XAPI_PutStates(int count, TStavLinek* states) {
  if (gServer && states != nullptr) gServer->putStates(count, states->bytes);
}

void XAPI_PutCLIP(int line, char* number) {
  if (gServer && number != nullptr) gServer->putClip(line, number);
}

void XAPI_PutFront(int lineOffset, TFront* front) {
  if (!gServer || front == nullptr) return;
  const int length = front->length < 0 ? 0 : std::min<int>(front->length, sizeof front->data);
  gServer->putFront(lineOffset, front->data, length);
}

void XAPI_GetCommand(int lParam, TStates* command) {
  if (command == nullptr) return;
  if (gServer) {
    gServer->takeCommand(lParam, command);
  } else {
    *command = TStates{};
    command->code = 255;
  }
}

void XAPI_PutAccLine(char* text) {
  if (gServer && text != nullptr) gServer->putAccLine(text);
}
