#include "link/comm_pax.h"

#include <algorithm>

#include "platform/serial_port.h"

namespace norva {

namespace {

constexpr std::uint8_t kMark = 0xEE;
constexpr std::uint8_t kHeader = 0x23;

// The reflected IEEE 802.3 table (polynomial 0xEDB88320), built by the compiler.
constexpr std::array<std::uint32_t, 256> makeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();
static_assert(kCrcTable[1] == 0x77073096u && kCrcTable[255] == 0x2D02EF8Du);

}  // namespace

TCommPax::TCommPax(ByteSink& sink, ByteSource& source) : sink_(sink), source_(source) {}

std::uint32_t TCommPax::Update_CRC32(std::uint32_t crc, std::uint8_t chr) {
  return kCrcTable[(crc ^ chr) & 0xFF] ^ (crc >> 8);
}

void TCommPax::WriteChar(std::uint8_t chr, bool escape) {
  // The port's count is ignored; a failing port throws.
  sink_.write(&chr, 1);
  if (escape && chr == kMark) sink_.write(&chr, 1);
}

void TCommPax::WritePacket(std::uint8_t seq, const std::uint8_t* data, int count) {
  WriteChar(kMark, false);
  WriteChar(kHeader, false);
  const int length = count + 1;
  WriteChar(static_cast<std::uint8_t>(length & 0xFF), true);
  WriteChar(static_cast<std::uint8_t>((length >> 8) & 0xFF), true);
  WriteChar(seq, true);
  std::uint32_t crc = Update_CRC32(0xFFFFFFFFu, seq);
  for (int i = 0; i < count; ++i) {
    WriteChar(data[i], true);
    crc = Update_CRC32(crc, data[i]);
  }
  crc = ~crc;
  for (int shift = 0; shift < 32; shift += 8)
    WriteChar(static_cast<std::uint8_t>(crc >> shift), true);
}

void TCommPax::RxChar(int count) {
  // The port may report more than the work buffer holds; take it in slices.
  while (count > 0) {
    const int want = std::min(count, kReadSlice);
    const int got = std::min(source_.read(work_.data(), want), want);
    if (got <= 0) return;
    feed(work_.data(), got);
    count -= got;
  }
}

void TCommPax::feed(const std::uint8_t* data, int count) {
  for (int i = 0; i < count; ++i) {
    rxByte(data[i]);
    if (RxState >= TooLong) RxState = Hunt;
  }
}

bool TCommPax::StartPacket() {
  if (RxLength > static_cast<long long>(MaxPacketSize) + 1) return false;
  // Whatever MaxPacketSize says, body and CRC must fit the buffer.
  if (RxLength + 4 > kRxBufferSize) return false;
  RxCrc = 0xFFFFFFFFu;
  RxCount = 0;
  return true;
}

bool TCommPax::TestCRC() {
  RxCrc = ~RxCrc;
  if (RxLength + 4 > kRxBufferSize) return false;
  const std::uint8_t* p = RxBuffer.data() + RxLength;
  const std::uint32_t received =
      static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  return RxCrc == received;
}

void TCommPax::complete() {
  // A Length-0 frame has no sequence byte, and the dispatch needs one: drop it.
  if (!TestCRC() || RxLength == 0) {
    RxState = Dropped;
    return;
  }
  // Back to Hunt before the handler runs, so that it sees a finished frame.
  RxState = Hunt;
  if (OnRxPacket) OnRxPacket(RxLength, RxBuffer.data());
}

void TCommPax::rxByte(std::uint8_t b) {
  switch (RxState) {
    case Hunt:
      if (b == kMark) {
        RxState = Mark;
      } else {
        sink_.purgeTransmit();
        if (OnRxChr) OnRxChr(b);
      }
      break;

    case Mark:
      if (b == kHeader)
        RxState = LengthLow;
      else if (b != kMark)
        RxState = Hunt;
      break;

    case LengthLow:
      RxLength = static_cast<std::uint16_t>((RxLength & 0xFF00) | b);
      RxState = b == kMark ? LengthLowEscape : LengthHigh;
      break;

    case LengthHigh:
      RxLength = static_cast<std::uint16_t>((RxLength & 0x00FF) | (b << 8));
      if (b == kMark)
        RxState = LengthHighEscape;
      else
        RxState = StartPacket() ? Body : TooLong;
      break;

    case LengthLowEscape:
      if (b == kHeader)
        RxState = LengthLow;
      else if (b == kMark)
        RxState = LengthHigh;
      else
        RxState = Dropped;
      break;

    case LengthHighEscape:
      if (b == kHeader)
        RxState = LengthLow;
      else if (b == kMark)
        RxState = StartPacket() ? Body : TooLong;
      else
        RxState = Dropped;
      break;

    case Body:
      // StartPacket keeps RxLength + 4 within the buffer and completion stops
      // there; this only guards against the public fields being set by hand.
      if (RxCount >= kRxBufferSize) {
        RxState = Dropped;
        break;
      }
      RxBuffer[RxCount++] = b;
      if (RxCount <= RxLength) RxCrc = Update_CRC32(RxCrc, b);
      if (b == kMark)
        RxState = BodyEscape;
      else if (RxCount == RxLength + 4)
        complete();
      break;

    case BodyEscape:
      if (b == kHeader) {
        RxState = LengthLow;
      } else if (b == kMark) {
        RxState = Body;
        if (RxCount == RxLength + 4) complete();
      } else {
        RxState = Dropped;
      }
      break;

    default:
      RxState = Dropped;
      break;
  }
}

}  // namespace norva
