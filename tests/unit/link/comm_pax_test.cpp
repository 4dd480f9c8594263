#include "link/comm_pax.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <deque>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/serial_port.h"

namespace norva {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string hex(const Bytes& bytes) {
  std::string s;
  char buf[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, s.empty() ? "%02X" : " %02X", b);
    s += buf;
  }
  return s;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A serial line in memory. Writes are kept call by call; reads take from a
// queue, at most maxPerRead bytes at a time. Purges go into the same event
// list as the parser's events so that their order can be checked.
class MemoryLine : public ByteSink, public ByteSource {
 public:
  int write(const std::uint8_t* data, int count) override {
    if (failAfterWrites >= 0 && static_cast<int>(writes.size()) >= failAfterWrites)
      throw ECommError(comm_msg::kWrite, 5);
    writes.emplace_back(data, data + count);
    return count;
  }
  void purgeTransmit() override { events.push_back("purge"); }
  int read(std::uint8_t* buffer, int count) override {
    reads.push_back(count);
    const int n = std::min({count, maxPerRead, static_cast<int>(incoming.size())});
    for (int i = 0; i < n; ++i) {
      buffer[i] = incoming.front();
      incoming.pop_front();
    }
    return n;
  }

  Bytes flatten() const {
    Bytes out;
    for (const Bytes& w : writes) out.insert(out.end(), w.begin(), w.end());
    return out;
  }

  std::vector<Bytes> writes;
  std::deque<std::uint8_t> incoming;
  std::vector<int> reads;
  std::vector<std::string> events;
  int maxPerRead = INT_MAX;
  int failAfterWrites = -1;
};

std::string packetEvent(std::uint8_t seq, const Bytes& payload) {
  return "packet " + hex(cat({{seq}, payload}));
}
std::string chrEvent(std::uint8_t chr) { return "chr " + hex({chr}); }

// A parser on a memory line, its events recorded as text.
struct Receiver {
  MemoryLine line;
  TCommPax pax{line, line};

  Receiver() {
    pax.OnRxPacket = [this](int count, const std::uint8_t* data) {
      line.events.push_back("packet " + hex(Bytes(data, data + count)));
    };
    pax.OnRxChr = [this](std::uint8_t chr) { line.events.push_back(chrEvent(chr)); };
  }
  // The bytes arrive and the port reports them in one received-data event.
  void receive(const Bytes& bytes) {
    line.incoming.insert(line.incoming.end(), bytes.begin(), bytes.end());
    pax.RxChar(static_cast<int>(bytes.size()));
  }
  void receiveByteByByte(const Bytes& bytes) {
    for (std::uint8_t b : bytes) receive({b});
  }
  const std::vector<std::string>& events() const { return line.events; }
};

Bytes frameOf(std::uint8_t seq, const Bytes& payload) {
  MemoryLine line;
  TCommPax writer(line, line);
  writer.WritePacket(seq, payload.data(), static_cast<int>(payload.size()));
  return line.flatten();
}

Bytes filled(int n, std::uint8_t value) { return Bytes(static_cast<std::size_t>(n), value); }
Bytes counting(int n) {
  Bytes b(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
  return b;
}

std::uint32_t crcOf(const Bytes& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t b : bytes) crc = TCommPax::Update_CRC32(crc, b);
  return ~crc;
}

TEST(CommPaxCrc, IsTheStandardCrc32) {
  EXPECT_EQ(crcOf({'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0xCBF43926u);
  // One bare table step: no start value, no complement.
  EXPECT_EQ(TCommPax::Update_CRC32(0, 1), 0x77073096u);
  EXPECT_EQ(TCommPax::Update_CRC32(0x12345678u, 0x78), 0x00123456u);
}

struct WireCase {
  const char* name;
  std::uint8_t seq;
  Bytes payload;
  Bytes wire;
};

const std::vector<WireCase> kWireCases = {
    {"plain",
     0x05,
     {0x00, 0x16, 0x00},
     {0xEE, 0x23, 0x04, 0x00, 0x05, 0x00, 0x16, 0x00, 0xF9, 0x9A, 0x02, 0x0A}},
    {"sequence 0xEE doubled",
     0xEE,
     {0x0D},
     {0xEE, 0x23, 0x02, 0x00, 0xEE, 0xEE, 0x0D, 0x20, 0xB0, 0x95, 0xFF}},
    {"CRC byte 0xEE doubled",
     0x20,
     {0x00, 0x16, 0x00},
     {0xEE, 0x23, 0x04, 0x00, 0x20, 0x00, 0x16, 0x00, 0xF5, 0xC5, 0xEE, 0xEE, 0x9D}},
};

TEST(CommPaxWrite, DocumentedFramesByteForByteAndBack) {
  for (const WireCase& c : kWireCases) {
    SCOPED_TRACE(c.name);
    MemoryLine line;
    TCommPax writer(line, line);
    writer.WritePacket(c.seq, c.payload.data(), static_cast<int>(c.payload.size()));
    EXPECT_EQ(hex(line.flatten()), hex(c.wire));
    EXPECT_EQ(line.writes.size(), c.wire.size());
    for (const Bytes& w : line.writes) EXPECT_EQ(w.size(), 1u);

    Receiver r;
    r.receive(c.wire);
    EXPECT_EQ(r.events(), std::vector<std::string>{packetEvent(c.seq, c.payload)});
  }
}

// Checks the escaping independently of the parser: after the mark and the
// header every 0xEE comes in pairs, and the undoubled frame is length,
// sequence, payload and CRC as laid out.
TEST(CommPaxWrite, EscapesEveryMarkAfterTheHeaderAndRoundTrips) {
  struct Case {
    const char* name;
    std::uint8_t seq;
    Bytes payload;
  };
  const std::vector<Case> cases = {
      {"empty payload", 0x01, {}},
      {"length byte 0xEE", 0x02, counting(237)},
      {"largest, all 0xEE", 0xEE, filled(512, 0xEE)},
      {"largest, mixed", 0x7F, counting(512)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes wire = frameOf(c.seq, c.payload);
    ASSERT_GE(wire.size(), 2u);
    EXPECT_EQ(wire[0], 0xEE);
    EXPECT_EQ(wire[1], 0x23);
    Bytes plain;
    for (std::size_t i = 2; i < wire.size(); ++i) {
      plain.push_back(wire[i]);
      if (wire[i] == 0xEE) {
        ASSERT_TRUE(i + 1 < wire.size() && wire[i + 1] == 0xEE) << "lone 0xEE at " << i;
        ++i;
      }
    }
    const Bytes body = cat({{c.seq}, c.payload});
    const std::uint32_t crc = crcOf(body);
    const int length = static_cast<int>(body.size());
    const Bytes expected =
        cat({{static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8)},
             body,
             {static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8),
              static_cast<std::uint8_t>(crc >> 16), static_cast<std::uint8_t>(crc >> 24)}});
    EXPECT_EQ(hex(plain), hex(expected));

    Receiver r;
    r.receive(wire);
    EXPECT_EQ(r.events(), std::vector<std::string>{packetEvent(c.seq, c.payload)});
  }
}

TEST(CommPaxWrite, WriteErrorReachesTheCallerAndKeepsWhatWasWritten) {
  MemoryLine line;
  line.failAfterWrites = 3;
  TCommPax writer(line, line);
  const Bytes payload = {0x00, 0x16, 0x00};
  EXPECT_THROW(writer.WritePacket(0x05, payload.data(), 3), ECommError);
  EXPECT_EQ(hex(line.flatten()), "EE 23 04");
}

TEST(CommPaxReceive, FrameSplitAtEveryPositionIsDeliveredOnceWhole) {
  struct Case {
    const char* name;
    std::uint8_t seq;
    Bytes payload;
  };
  const std::vector<Case> cases = {
      {"doubled sequence", 0xEE, {0x0D}},
      {"doubled CRC byte", 0x20, {0x00, 0x16, 0x00}},
      {"doubled length and payload", 0xEE, filled(237, 0xEE)},
  };
  for (const Case& c : cases) {
    const Bytes wire = frameOf(c.seq, c.payload);
    for (std::size_t split = 1; split < wire.size(); ++split) {
      SCOPED_TRACE(std::string(c.name) + ", split at " + std::to_string(split));
      Receiver r;
      r.receive(Bytes(wire.begin(), wire.begin() + static_cast<long>(split)));
      EXPECT_TRUE(r.events().empty());
      r.receive(Bytes(wire.begin() + static_cast<long>(split), wire.end()));
      ASSERT_EQ(r.events(), std::vector<std::string>{packetEvent(c.seq, c.payload)});
    }
  }
}

// What comes before a good frame, and the events it must raise; the good
// frame after it must always be delivered. Each case is fed whole and one
// byte per received-data event.
TEST(CommPaxReceive, RecoversForTheNextFrame) {
  const Bytes good = frameOf(0x05, {0x00, 0x16, 0x00});
  const std::string goodPacket = packetEvent(0x05, {0x00, 0x16, 0x00});
  Bytes badCrc = good;
  badCrc[8] ^= 0x01;
  Bytes badPayload = good;
  badPayload[6] ^= 0x40;
  const std::vector<std::string> noise42 = {"purge", chrEvent(0x42)};
  const std::vector<std::string> noise0102 = {"purge", chrEvent(0x01), "purge", chrEvent(0x02)};

  struct Case {
    const char* name;
    Bytes before;
    std::vector<std::string> events;
  };
  const std::vector<Case> cases = {
      {"repeated marks before the header", {0xEE, 0xEE, 0xEE}, {}},
      {"wrong CRC", badCrc, {}},
      {"corrupted payload", badPayload, {}},
      {"Length 0 is dropped whole", {0xEE, 0x23, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {}},
      // An 0xEE followed by neither 0x23 nor 0xEE drops the frame and that
      // byte; the next byte is outside any frame.
      {"mark then other", {0xEE, 0x41, 0x42}, noise42},
      {"escape in length low", {0xEE, 0x23, 0xEE, 0x41, 0x42}, noise42},
      {"escape in length high", {0xEE, 0x23, 0x04, 0xEE, 0x41, 0x42}, noise42},
      {"escape in body", {0xEE, 0x23, 0x04, 0x00, 0x05, 0xEE, 0x41, 0x42}, noise42},
      // Too long for MaxPacketSize 512: the header is dropped and the rest
      // is bytes outside a frame.
      {"Length 514", {0xEE, 0x23, 0x02, 0x02, 0x01, 0x02}, noise0102},
      {"Length 0xFFFF", {0xEE, 0x23, 0xFF, 0xFF, 0x01, 0x02}, noise0102},
      {"Length 0x02EE, doubled low byte", {0xEE, 0x23, 0xEE, 0xEE, 0x02, 0x01, 0x02}, noise0102},
      {"Length 0xEE00, doubled high byte", {0xEE, 0x23, 0x00, 0xEE, 0xEE, 0x01, 0x02}, noise0102},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected = c.events;
    expected.push_back(goodPacket);
    const Bytes stream = cat({c.before, good});
    {
      SCOPED_TRACE(std::string(c.name) + ", whole");
      Receiver r;
      r.receive(stream);
      EXPECT_EQ(r.events(), expected);
    }
    {
      SCOPED_TRACE(std::string(c.name) + ", byte by byte");
      Receiver r;
      r.receiveByteByByte(stream);
      EXPECT_EQ(r.events(), expected);
    }
  }
}

// An undoubled 0xEE and 0x23 anywhere inside a frame start a new frame, so a
// frame cut off at any point is abandoned for the one that follows.
TEST(CommPaxReceive, MarkAndHeaderInsideAFrameStartANewOne) {
  const Bytes good = frameOf(0x05, {0x00, 0x16, 0x00});
  for (std::size_t cut = 1; cut < good.size(); ++cut) {
    SCOPED_TRACE("cut after " + std::to_string(cut));
    Receiver r;
    r.receive(
        cat({Bytes(good.begin(), good.begin() + static_cast<long>(cut)), frameOf(0x09, {0x33})}));
    EXPECT_EQ(r.events(), std::vector<std::string>{packetEvent(0x09, {0x33})});
  }
}

TEST(CommPaxReceive, EventsComeInStreamOrderDuringTheBatch) {
  const Bytes a = frameOf(0x01, {0xEE});
  const Bytes b = frameOf(0xEE, {0x00, 0x16});
  struct Case {
    const char* name;
    Bytes stream;
    std::vector<std::string> events;
  };
  const std::vector<Case> cases = {
      {"two frames back to back",
       cat({a, b}),
       {packetEvent(0x01, {0xEE}), packetEvent(0xEE, {0x00, 0x16})}},
      {"noise between frames, one purge per byte",
       cat({{0x41}, a, {0x42, 0xE0, 0x43}, b, {0x44}}),
       {"purge", chrEvent(0x41), packetEvent(0x01, {0xEE}), "purge", chrEvent(0x42), "purge",
        chrEvent(0xE0), "purge", chrEvent(0x43), packetEvent(0xEE, {0x00, 0x16}), "purge",
        chrEvent(0x44)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Receiver whole;
    whole.receive(c.stream);
    EXPECT_EQ(whole.events(), c.events);
    Receiver single;
    single.receiveByteByByte(c.stream);
    EXPECT_EQ(single.events(), c.events);
    Receiver fed;
    for (std::uint8_t byte : c.stream) fed.pax.feed(&byte, 1);
    EXPECT_EQ(fed.events(), c.events);
  }
}

TEST(CommPaxReceive, NoiseIsPurgedEvenWithoutAByteHandler) {
  Receiver r;
  r.pax.OnRxChr = nullptr;
  r.receive({0x41, 0xE0});
  EXPECT_EQ(r.events(), (std::vector<std::string>{"purge", "purge"}));
}

TEST(CommPaxReceive, LargeBacklogIsReadInSlices) {
  Receiver r;
  Bytes stream;
  std::vector<std::string> expected;
  for (int i = 0; i < 17; ++i) {
    const Bytes payload = counting(512);
    stream = cat({stream, frameOf(static_cast<std::uint8_t>(i), payload)});
    expected.push_back(packetEvent(static_cast<std::uint8_t>(i), payload));
  }
  ASSERT_GT(stream.size(), 8000u);
  r.receive(stream);
  EXPECT_EQ(r.events(), expected);
  EXPECT_TRUE(r.line.incoming.empty());
  ASSERT_EQ(r.line.reads.size(), 3u);
  for (int n : r.line.reads) EXPECT_LE(n, TCommPax::kReadSlice);
}

// The event's count is what is read, no more; short reads go on until the
// count is reached, and a read that yields nothing ends the event.
TEST(CommPaxReceive, ReadsWhatTheEventReports) {
  const Bytes stream = cat({frameOf(0x05, {0x00, 0x16, 0x00}), {0x41}});
  struct Case {
    const char* name;
    int reported;
    int maxPerRead;
    std::size_t left;
  };
  const std::vector<Case> cases = {
      {"fewer reported than waiting", 12, INT_MAX, 1},
      {"short reads", 13, 3, 0},
      {"more reported than waiting", 40, INT_MAX, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Receiver r;
    r.line.maxPerRead = c.maxPerRead;
    r.line.incoming.assign(stream.begin(), stream.end());
    r.pax.RxChar(c.reported);
    EXPECT_EQ(r.line.incoming.size(), c.left);
    std::vector<std::string> expected = {packetEvent(0x05, {0x00, 0x16, 0x00})};
    if (c.left == 0) expected.insert(expected.end(), {"purge", chrEvent(0x41)});
    EXPECT_EQ(r.events(), expected);
  }
}

// RxBuffer holds RxLength + 4 bytes at most, whatever MaxPacketSize says.
TEST(CommPaxReceive, LengthLimitFollowsMaxPacketSizeWithinTheBuffer) {
  struct Case {
    int maxPacketSize;
    int payload;
    bool delivered;
  };
  const int fits = TCommPax::kRxBufferSize - 5;  // sequence byte and CRC
  const std::vector<Case> cases = {
      {512, 512, true},          {512, 513, false},     {10, 10, true},
      {10, 11, false},           {INT_MAX, fits, true}, {INT_MAX, fits + 1, false},
      {100000, fits + 1, false}, {fits, fits, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("MaxPacketSize " + std::to_string(c.maxPacketSize) + ", payload " +
                 std::to_string(c.payload));
    Receiver r;
    r.pax.MaxPacketSize = c.maxPacketSize;
    r.receive(frameOf(0x05, filled(c.payload, 0x11)));
    const auto packets =
        std::count_if(r.events().begin(), r.events().end(),
                      [](const std::string& e) { return e.rfind("packet", 0) == 0; });
    EXPECT_EQ(packets, c.delivered ? 1 : 0);
  }
}

}  // namespace
}  // namespace norva
