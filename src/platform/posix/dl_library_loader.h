#pragma once

#include <string>

#include "platform/library_loader.h"

namespace norva {

// Libraries opened with dlopen: first beside the program, then by the
// system's usual search.
class DlLibraryLoader : public LibraryLoader {
 public:
  explicit DlLibraryLoader(std::string programDir) : programDir_(std::move(programDir)) {}
  std::unique_ptr<LoadedLibrary> load(const std::string& fileName) override;

 private:
  std::string programDir_;
};

}  // namespace norva
