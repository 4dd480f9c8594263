// Fuzzes the frame parser with arbitrary line input, and checks that a frame
// written by the writer survives whatever came before it on the line.
//
// Input: byte 0 picks MaxPacketSize and how the bytes are cut into
// received-data events and reads; the whole input is the line noise and its
// first bytes (up to 512) are the payload of the frame written afterwards.

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/comm_pax.h"
#include "platform/serial_port.h"

namespace {

using norva::TCommPax;

// Not assert(): it must hold in every build type.
#define FUZZ_CHECK(cond)       \
  do {                         \
    if (!(cond)) std::abort(); \
  } while (0)

// Writes go to a buffer; reads come from a given input, at most readCap at a time.
class BufferLine : public norva::ByteSink, public norva::ByteSource {
 public:
  int write(const std::uint8_t* data, int count) override {
    written.insert(written.end(), data, data + count);
    return count;
  }
  void purgeTransmit() override {}
  int read(std::uint8_t* buffer, int count) override {
    const std::size_t n = std::min({static_cast<std::size_t>(std::max(count, 0)),
                                    static_cast<std::size_t>(readCap), size - pos});
    if (n > 0) std::memcpy(buffer, data + pos, n);
    pos += n;
    return static_cast<int>(n);
  }

  std::vector<std::uint8_t> written;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  int readCap = INT_MAX;
};

struct Config {
  int maxPacketSize;
  int eventSize;  // bytes reported per received-data event
  int readCap;    // bytes a single read yields at most
};

Config configFrom(std::uint8_t b) {
  static constexpr int kMax[] = {512, 0, TCommPax::kRxBufferSize - 5, INT_MAX};
  static constexpr int kEvent[] = {INT_MAX, 1, 7, 4096};
  static constexpr int kRead[] = {INT_MAX, 1, 3, 4000};
  return {kMax[b & 3], kEvent[(b >> 2) & 3], kRead[(b >> 4) & 3]};
}

std::uint32_t crcOf(const std::uint8_t* data, int count) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (int i = 0; i < count; ++i) crc = TCommPax::Update_CRC32(crc, data[i]);
  return ~crc;
}

struct Parser {
  BufferLine line;
  TCommPax pax{line, line};
  int delivered = 0;
  std::vector<std::uint8_t> last;

  explicit Parser(int maxPacketSize) {
    pax.MaxPacketSize = maxPacketSize;
    pax.OnRxPacket = [this](int count, const std::uint8_t* data) {
      FUZZ_CHECK(count >= 1);
      FUZZ_CHECK(count <= static_cast<long long>(pax.MaxPacketSize) + 1);
      FUZZ_CHECK(count + 4 <= TCommPax::kRxBufferSize);
      // The four CRC bytes follow the body in the receive buffer.
      const std::uint32_t stored = static_cast<std::uint32_t>(data[count]) |
                                   (static_cast<std::uint32_t>(data[count + 1]) << 8) |
                                   (static_cast<std::uint32_t>(data[count + 2]) << 16) |
                                   (static_cast<std::uint32_t>(data[count + 3]) << 24);
      FUZZ_CHECK(crcOf(data, count) == stored);
      ++delivered;
      last.assign(data, data + count);
    };
  }

  void receive(const std::uint8_t* data, std::size_t size, const Config& config) {
    line.data = data;
    line.size = size;
    line.pos = 0;
    line.readCap = config.readCap;
    while (line.pos < line.size) {
      const std::size_t before = line.pos;
      pax.RxChar(static_cast<int>(std::min<std::size_t>(line.size - line.pos, config.eventSize)));
      FUZZ_CHECK(line.pos > before);
      checkState();
    }
  }

  void checkState() const {
    const int state = pax.RxState;
    FUZZ_CHECK(state == TCommPax::Hunt || state == TCommPax::Mark || state == TCommPax::LengthLow ||
               state == TCommPax::LengthHigh || state == TCommPax::Body ||
               state == TCommPax::LengthLowEscape || state == TCommPax::LengthHighEscape ||
               state == TCommPax::BodyEscape);
    if (state == TCommPax::Body) FUZZ_CHECK(pax.RxCount < pax.RxLength + 4);
    if (state == TCommPax::Body || state == TCommPax::BodyEscape)
      FUZZ_CHECK(pax.RxLength + 4 <= TCommPax::kRxBufferSize && pax.RxCount <= pax.RxLength + 4);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 20) return 0;
  const Config config = configFrom(size > 0 ? data[0] : 0);

  // Arbitrary input: only whole frames with a good CRC come out.
  {
    Parser p(config.maxPacketSize);
    p.receive(data, size, config);
  }

  // A written frame after noise that ends in a byte other than 0xEE (possibly
  // no noise at all) is delivered once, whole.
  {
    std::size_t noise = size;
    while (noise > 0 && data[noise - 1] == 0xEE) --noise;
    Parser p(512);
    p.receive(data, noise, config);

    const int count = static_cast<int>(std::min<std::size_t>(size, 512));
    const std::uint8_t seq = size > 0 ? data[size - 1] : 0;
    p.pax.WritePacket(seq, data, count);
    const std::vector<std::uint8_t> frame = p.line.written;
    p.delivered = 0;
    p.receive(frame.data(), frame.size(), config);
    FUZZ_CHECK(p.delivered == 1);
    FUZZ_CHECK(p.last.size() == static_cast<std::size_t>(count) + 1 && p.last[0] == seq);
    FUZZ_CHECK(std::equal(data, data + count, p.last.begin() + 1));
    FUZZ_CHECK(p.pax.RxState == TCommPax::Hunt);
  }
  return 0;
}
