#include "platform/posix/dl_library_loader.h"

#include <dlfcn.h>

namespace norva {

namespace {

class DlLibrary : public LoadedLibrary {
 public:
  explicit DlLibrary(void* handle) : handle_(handle) {}
  ~DlLibrary() override { dlclose(handle_); }
  DlLibrary(const DlLibrary&) = delete;
  DlLibrary& operator=(const DlLibrary&) = delete;
  void* symbol(const std::string& name) override { return dlsym(handle_, name.c_str()); }

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<LoadedLibrary> DlLibraryLoader::load(const std::string& fileName) {
  void* handle = nullptr;
  if (!programDir_.empty()) {
    handle = dlopen((programDir_ + "/" + fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle == nullptr) handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  return std::make_unique<DlLibrary>(handle);
}

}  // namespace norva
