#include "poll/request_queue.h"

#include <gtest/gtest.h>

namespace norva {
namespace {

std::vector<std::string> keys(const RequestQueue& q) {
  std::vector<std::string> out;
  for (const auto& e : q.entries()) out.push_back(e.key);
  return out;
}

TEST(RequestQueue, DuplicateRules) {
  RequestQueue q;
  q.QueueRequest('A', 0);
  q.QueueRequest('A', 0);
  q.QueueRequest('#', 240);
  q.QueueRequest('#', 241);
  q.QueueRequest('Y', 3);
  q.QueueRequest('Y', 3);
  q.QueueRequest('C', 0);
  EXPECT_EQ(keys(q), (std::vector<std::string>{"A", "#", "#", "Y", "Y", "C"}));
  EXPECT_EQ(q.entries()[1].value, 240);
  EXPECT_EQ(q.entries()[2].value, 241);
}

TEST(RequestQueue, AClientsNewerRequestReplacesTheOlderAtTheEnd) {
  RequestQueue q;
  const std::uint8_t first[] = {0, 22, 0};
  const std::uint8_t second[] = {2};
  q.QueueRequest('T', 7, first, 3, 70);
  q.QueueRequest('A', 0);
  q.QueueRequest('T', 8, first, 3, 80);
  q.QueueRequest('T', 7, second, 1, 71);
  EXPECT_EQ(keys(q), (std::vector<std::string>{"A", "T8", "T7"}));
  const auto& r = *q.entries().back().record;
  EXPECT_EQ(r.kind, 'T');
  EXPECT_EQ(r.socket, 7);
  EXPECT_EQ(r.connection, 71u);
  EXPECT_EQ(r.firstByte, 2);
  EXPECT_EQ(r.payload, (std::vector<std::uint8_t>{2}));
}

TEST(RequestQueue, AtTheLimitTheOldestGoesFirst) {
  RequestQueue q;
  q.QueueRequest('T', 1000, nullptr, 0);
  for (int i = 1; i < 100; ++i) q.QueueRequest('#', i);
  ASSERT_EQ(q.size(), 100u);
  q.QueueRequest('#', 500);  // already waiting kind, but '#' may repeat
  EXPECT_EQ(q.size(), 100u);
  EXPECT_EQ(q.head().value, 1);  // the client's request was pushed out
  EXPECT_FALSE(q.contains("T1000"));
  q.QueueRequest('C', 0);
  EXPECT_EQ(q.size(), 100u);
  EXPECT_EQ(q.head().value, 2);
  q.QueueRequest('C', 0);  // a waiting kind changes nothing, not even the head
  EXPECT_EQ(q.head().value, 2);
  EXPECT_EQ(q.entries().back().key, "C");
}

TEST(RequestQueue, PayloadsAreKeptWholeUpTo512Bytes) {
  std::vector<std::uint8_t> big(600);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i);
  const auto r300 = TPendingRequest::make('T', big.data(), 300, 5);
  EXPECT_EQ(r300->length(), 300);
  EXPECT_EQ(r300->payload[299], 299 % 256);
  const auto r600 = TPendingRequest::make('T', big.data(), 600, 5);
  EXPECT_EQ(r600->length(), 512);
  const auto empty = TPendingRequest::make('T', nullptr, 0, 5);
  EXPECT_EQ(empty->length(), 0);
  EXPECT_EQ(empty->firstByte, 0);
}

TEST(OutstandingRequests, FiledBySequenceAndReplaced) {
  OutstandingRequests o;
  const std::uint8_t a[] = {13};
  const std::uint8_t b[] = {2};
  o.file(5, TPendingRequest::make('C', a, 1, 0));
  o.file(5, TPendingRequest::make('I', b, 1, 0));
  EXPECT_EQ(o.size(), 1u);
  EXPECT_EQ(o.take(4), nullptr);
  const auto r = o.take(5);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->kind, 'I');
  EXPECT_EQ(o.take(5), nullptr);
}

}  // namespace
}  // namespace norva
