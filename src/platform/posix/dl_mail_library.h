#pragma once

#include <memory>
#include <string>

#include "messaging/mail_library.h"

namespace norva {

// The mail-gateway library opened with dlopen; closed when destroyed.
class DlMailLibrary : public MailLibrary {
 public:
  // The library beside the program first, then wherever the dynamic loader
  // looks for `fileName`; null when neither opens.
  static std::unique_ptr<DlMailLibrary> open(const std::string& programDir,
                                             const std::string& fileName);
  ~DlMailLibrary() override;
  void* resolve(const std::string& name) override;

 private:
  explicit DlMailLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

// The system's temporary directory (TMPDIR, else /tmp) without a closing "/".
std::string systemTempDirectory();

}  // namespace norva
