#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace norva {

class AccountingFile;
class TData;

// The latest call-accounting records for network clients, oldest first, with
// absolute numbers: the k-th record appended since start is number k, held
// while AccountingDropped() <= k < AccountingTotal(). Both counters only grow.
class AccountingRecords {
 public:
  static constexpr std::size_t kMaxHeld = 201;

  // Drops the oldest record when more than 200 are held, then appends.
  void append(std::string record);

  // The record numbered n, or nullptr when it is not (or no longer) held.
  const std::string* record(std::uint32_t n) const;
  // The number the client feed serves for a cursor: max(cursor, dropped),
  // when that is below the total; nothing when the client is up to date.
  std::optional<std::uint32_t> servedNumber(std::uint32_t cursor) const;

  std::uint32_t AccountingDropped() const { return dropped_; }
  std::uint32_t AccountingTotal() const { return total_; }
  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }

 private:
  std::deque<std::string> records_;
  std::uint32_t dropped_ = 0;
  std::uint32_t total_ = 0;
};

constexpr std::size_t kMaxUctRecord = 255;

// What an accounting answer asks of the agent.
struct UctAnswer {
  enum class Kind {
    None,        // no record: slow down to URIntervalBezDat
    Repeat,      // the last record again: nothing to do but keep URInterval
    New,         // a new record: log it, feed the bridge, store it, append it
    StoreAgain,  // the last record again after its store failed: store it only;
                 // it was logged, fed and appended when it first came
  };
  Kind kind = Kind::None;
  std::string text;  // the record; empty for None
};

// Text := payload bytes 1 to length - 1, ending at the first zero byte and
// cut to 255 bytes; the status byte is not looked at.
UctAnswer classifyUct(const std::uint8_t* payload, int length, const std::string& LastUctRecord,
                      bool UctStoreFailed);

// Appends the record to the file; sets data.UctStoreFailed on failure and
// clears it on success. True when stored.
bool StoreUct(TData& data, AccountingFile& file, const std::string& name, const std::string& text);

}  // namespace norva
