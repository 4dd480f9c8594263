#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace norva {

class ByteSink;
class ByteSource;

// The PBX's frame format on the serial line: EE 23, a 16-bit length (the
// sequence byte plus the payload, low byte first), the sequence byte, the
// payload and a CRC-32 of sequence and payload. Every 0xEE after the header
// is sent twice. The receiver rebuilds frames from any byte stream and hands
// bytes outside frames on one at a time.
class TCommPax {
 public:
  // Receive states; the numbers are part of the frame format's description.
  enum : std::uint8_t {
    Hunt = 0,
    Mark = 1,
    LengthLow = 2,
    LengthHigh = 3,
    Body = 4,
    LengthLowEscape = 20,
    LengthHighEscape = 30,
    BodyEscape = 40,
    TooLong = 200,
    Dropped = 201,
  };

  static constexpr int kRxBufferSize = 4000;
  static constexpr int kReadSlice = 4000;

  TCommPax(ByteSink& sink, ByteSource& source);

  // Writes one frame; each byte is its own write. Count 0 is allowed.
  void WritePacket(std::uint8_t seq, const std::uint8_t* data, int count);
  void WriteChar(std::uint8_t chr, bool escape);
  static std::uint32_t Update_CRC32(std::uint32_t crc, std::uint8_t chr);

  // The received-data handler: count bytes are waiting at the source.
  void RxChar(int count);
  // Feeds bytes as if they had been read (the same state machine).
  void feed(const std::uint8_t* data, int count);

  bool StartPacket();
  bool TestCRC();

  // A whole frame with a good CRC: data[0] is the sequence number, data[1]
  // to data[count - 1] the payload. Valid only during the call.
  std::function<void(int count, const std::uint8_t* data)> OnRxPacket;
  // One byte received outside any frame.
  std::function<void(std::uint8_t chr)> OnRxChr;

  int MaxPacketSize = 512;

  std::uint8_t RxState = Hunt;
  std::uint16_t RxLength = 0;
  std::uint16_t RxCount = 0;
  std::uint32_t RxCrc = 0;

 private:
  void rxByte(std::uint8_t b);
  void complete();

  ByteSink& sink_;
  ByteSource& source_;
  std::array<std::uint8_t, kRxBufferSize> RxBuffer{};
  std::array<std::uint8_t, kReadSlice> work_{};
};

}  // namespace norva
