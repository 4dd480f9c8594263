#pragma once

#include "data/accounting_file.h"

namespace norva {

// Appends under an exclusive advisory lock and syncs before reporting
// success. A file that another program holds locked is not waited for: the
// append fails at once and the record is asked for again on the next poll.
class PosixAccountingFile : public AccountingFile {
 public:
  bool appendRecord(const std::string& path, const std::string& bytes) override;
};

}  // namespace norva
