#include "xapi/txapi.h"

namespace norva {

namespace {

// Looks one entry point up; false when it is missing.
template <typename Fn>
bool find(LoadedLibrary& library, const char* name, Fn& out) {
  void* address = library.symbol(name);
  if (address == nullptr) return false;
  out = reinterpret_cast<Fn>(address);
  return true;
}

}  // namespace

TXAPI::TXAPI(LibraryLoader& loader) : module(loader.load(xapi::kLibraryFile)) {
  if (!module) return;
  LoadedLibrary& m = *module;
  // In this order; the first one missing ends the search and the library
  // stays loaded, unused, until the object goes.
  active = find(m, xapi::kInitName, Init) && find(m, xapi::kDeInitName, DeInit) &&
           find(m, xapi::kPutLinesName, PutLines) && find(m, xapi::kPutInfoName, PutInfo) &&
           find(m, xapi::kPutStatesName, PutStates) && find(m, xapi::kPutClipName, PutCLIP) &&
           find(m, xapi::kPutFrontName, PutFront) &&
           find(m, xapi::kGetCommandName, GetCommand) &&
           find(m, xapi::kPutAccLineName, PutAccLine);
}

}  // namespace norva
