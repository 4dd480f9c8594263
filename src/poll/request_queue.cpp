#include "poll/request_queue.h"

#include <algorithm>

namespace norva {

std::unique_ptr<TPendingRequest> TPendingRequest::make(char kind, const std::uint8_t* data,
                                                       int length, int socket,
                                                       std::uint64_t connection) {
  auto r = std::make_unique<TPendingRequest>();
  r->kind = kind;
  r->socket = socket;
  r->connection = connection;
  // A payload is at most 512 bytes; it is kept whole up to that.
  const int n = std::clamp(length, 0, kMaxPayload);
  if (data != nullptr && n > 0) r->payload.assign(data, data + n);
  r->firstByte = r->payload.empty() ? 0 : r->payload[0];
  return r;
}

bool RequestQueue::contains(const std::string& key) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const Entry& e) { return e.key == key; });
}

void RequestQueue::QueueRequest(char kind, int value, const std::uint8_t* payload, int length,
                                std::uint64_t connection) {
  Entry entry;
  if (kind == 'T') {
    entry.key = "T" + std::to_string(value);
    // The client's older request is never sent and never answered.
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& e) { return e.key == entry.key; }),
                   entries_.end());
    entry.record = TPendingRequest::make('T', payload, length, value, connection);
  } else {
    entry.key = std::string(1, kind);
    if (kind != '#' && kind != 'Y' && contains(entry.key)) return;  // already waiting
  }
  entry.value = value;
  if (entries_.size() >= kMaxEntries) entries_.pop_front();
  entries_.push_back(std::move(entry));
}

std::unique_ptr<TPendingRequest> OutstandingRequests::take(std::uint8_t sequence) {
  const auto it = table_.find(sequence);
  if (it == table_.end()) return nullptr;
  std::unique_ptr<TPendingRequest> r = std::move(it->second);
  table_.erase(it);
  return r;
}

}  // namespace norva
