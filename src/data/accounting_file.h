#pragma once

#include <string>

namespace norva {

// Where accounting records are kept: one line per record.
class AccountingFile {
 public:
  virtual ~AccountingFile() = default;
  // Appends the record's bytes unchanged, then CR LF, to the file at `path`,
  // creating it when missing. True only once the whole record is on disk;
  // every failure, reported or not, is false.
  virtual bool appendRecord(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace norva
