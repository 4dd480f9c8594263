#pragma once

#include <string>

namespace norva {

// A loaded mail-gateway library, as far as the wrapper needs it: its exported
// names. The platform layer opens the real one; tests hand in a table.
class MailLibrary {
 public:
  virtual ~MailLibrary() = default;
  // The address of an exported name; null when the library lacks it.
  virtual void* resolve(const std::string& name) = 0;
};

}  // namespace norva
