#include "data/accounting.h"

#include "data/accounting_file.h"
#include "data/tdata.h"

namespace norva {

void AccountingRecords::append(std::string record) {
  if (records_.size() >= kMaxHeld) {
    records_.pop_front();
    ++dropped_;
  }
  records_.push_back(std::move(record));
  ++total_;
}

const std::string* AccountingRecords::record(std::uint32_t n) const {
  const std::uint32_t at = n - dropped_;
  return at < records_.size() ? &records_[at] : nullptr;
}

std::optional<std::uint32_t> AccountingRecords::servedNumber(std::uint32_t cursor) const {
  const std::uint32_t n = cursor < dropped_ ? dropped_ : cursor;
  if (n >= total_) return std::nullopt;
  return n;
}

UctAnswer classifyUct(const std::uint8_t* payload, int length, const std::string& LastUctRecord,
                      bool UctStoreFailed) {
  UctAnswer answer;
  for (int i = 1; i < length && payload[i] != 0 && answer.text.size() < kMaxUctRecord; ++i) {
    answer.text += static_cast<char>(payload[i]);
  }
  if (answer.text.empty()) {
    answer.kind = UctAnswer::Kind::None;
  } else if (answer.text != LastUctRecord) {
    answer.kind = UctAnswer::Kind::New;
  } else if (UctStoreFailed) {
    answer.kind = UctAnswer::Kind::StoreAgain;
  } else {
    answer.kind = UctAnswer::Kind::Repeat;
  }
  return answer;
}

bool StoreUct(TData& data, AccountingFile& file, const std::string& name, const std::string& text) {
  const bool stored = file.appendRecord(name, text);
  data.UctStoreFailed = !stored;
  return stored;
}

}  // namespace norva
