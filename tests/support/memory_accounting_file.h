#pragma once

#include <map>
#include <string>
#include <vector>

#include "data/accounting_file.h"

namespace norva::test {

// Accounting files in memory; a store can be made to fail.
class MemoryAccountingFile : public AccountingFile {
 public:
  bool appendRecord(const std::string& path, const std::string& bytes) override {
    ++attempts;
    if (failNext > 0) {
      --failNext;
      return false;
    }
    files[path] += bytes + "\r\n";
    return true;
  }
  int failNext = 0;
  int attempts = 0;
  std::map<std::string, std::string> files;
};

}  // namespace norva::test
