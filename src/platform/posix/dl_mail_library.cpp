#include "platform/posix/dl_mail_library.h"

#include <dlfcn.h>

#include <cstdlib>

namespace norva {

std::unique_ptr<DlMailLibrary> DlMailLibrary::open(const std::string& programDir,
                                                   const std::string& fileName) {
  void* handle = dlopen((programDir + "/" + fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  return std::unique_ptr<DlMailLibrary>(new DlMailLibrary(handle));
}

DlMailLibrary::~DlMailLibrary() { dlclose(handle_); }

void* DlMailLibrary::resolve(const std::string& name) { return dlsym(handle_, name.c_str()); }

std::string systemTempDirectory() {
  const char* env = std::getenv("TMPDIR");
  std::string dir = env != nullptr && *env != '\0' ? env : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace norva
