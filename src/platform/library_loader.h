#pragma once

#include <memory>
#include <string>

namespace norva {

// A library loaded at run time; unloaded when destroyed.
class LoadedLibrary {
 public:
  virtual ~LoadedLibrary() = default;
  // The address of an exported symbol, or nullptr when it is missing.
  virtual void* symbol(const std::string& name) = 0;
};

class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  // Loads a library by its file name; nullptr when that fails.
  virtual std::unique_ptr<LoadedLibrary> load(const std::string& fileName) = 0;
};

}  // namespace norva
