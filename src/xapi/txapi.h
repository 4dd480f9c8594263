#pragma once

#include <memory>

#include "platform/library_loader.h"
#include "xapi/xapi_records.h"

namespace norva {

// The loaded computer-telephony library and its nine entry points. Active
// only when the library loaded and every entry point was found; destroying
// the object unloads the library.
class TXAPI {
 public:
  explicit TXAPI(LibraryLoader& loader);

  std::unique_ptr<LoadedLibrary> module;
  bool active = false;
  xapi::InitFn Init = nullptr;
  xapi::DeInitFn DeInit = nullptr;
  xapi::PutLinesFn PutLines = nullptr;
  xapi::PutInfoFn PutInfo = nullptr;
  xapi::PutStatesFn PutStates = nullptr;
  xapi::PutClipFn PutCLIP = nullptr;
  xapi::PutFrontFn PutFront = nullptr;
  xapi::GetCommandFn GetCommand = nullptr;
  xapi::PutAccLineFn PutAccLine = nullptr;
};

}  // namespace norva
