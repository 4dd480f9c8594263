#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace norva {

// One request with its own copy of the payload.
struct TPendingRequest {
  static constexpr int kMaxPayload = 512;

  char kind = 0;
  std::uint8_t firstByte = 0;
  int socket = 0;               // the client's socket number for kind 'T'
  std::uint64_t connection = 0; // the client's connection, for routing its answer
  std::vector<std::uint8_t> payload;

  int length() const { return static_cast<int>(payload.size()); }
  static std::unique_ptr<TPendingRequest> make(char kind, const std::uint8_t* data, int length,
                                               int socket, std::uint64_t connection = 0);
};

// The requests waiting to be sent, oldest first. Each periodic kind waits
// at most once, each client at most once (the newer request replacing the
// older), and the queue never holds more than kMaxEntries.
class RequestQueue {
 public:
  static constexpr std::size_t kMaxEntries = 100;

  struct Entry {
    std::string key;
    int value = 0;
    std::unique_ptr<TPendingRequest> record;  // kind 'T' only
    char kind() const { return key.empty() ? '\0' : key[0]; }
  };

  // payload, length and connection are used for kind 'T' only, whose value
  // is the client's socket number.
  void QueueRequest(char kind, int value, const std::uint8_t* payload = nullptr, int length = 0,
                    std::uint64_t connection = 0);

  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  Entry& head() { return entries_.front(); }
  void popHead() { entries_.pop_front(); }
  bool contains(const std::string& key) const;
  const std::deque<Entry>& entries() const { return entries_; }
  void clear() { entries_.clear(); }

 private:
  std::deque<Entry> entries_;
};

// The requests sent and not yet answered, by packet sequence number.
class OutstandingRequests {
 public:
  void file(std::uint8_t sequence, std::unique_ptr<TPendingRequest> request) {
    table_[sequence] = std::move(request);
  }
  std::unique_ptr<TPendingRequest> take(std::uint8_t sequence);
  std::size_t size() const { return table_.size(); }
  void clear() { table_.clear(); }

 private:
  std::map<std::uint8_t, std::unique_ptr<TPendingRequest>> table_;
};

}  // namespace norva
