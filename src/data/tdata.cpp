#include "data/tdata.h"

#include <algorithm>
#include <cstring>

namespace norva {

namespace {

std::string_view numberOf(const TLineEntry& e) {
  return std::string_view(e.Number, strnlen(e.Number, sizeof e.Number));
}

// Copies what fits and returns the kept length; a negative length keeps nothing.
template <std::size_t N>
int keep(std::array<std::uint8_t, N>& buffer, const std::uint8_t* payload, int length) {
  const int n = std::clamp(length, 0, static_cast<int>(N));
  if (n > 0) std::memcpy(buffer.data(), payload, static_cast<std::size_t>(n));
  return n;
}

}  // namespace

std::uint8_t TData::FindLine(std::string_view number) const {
  for (int i = 0; i < LineCount && i < kMaxLines; ++i) {
    if (numberOf(LineTable[i]) == number) return static_cast<std::uint8_t>(i);
  }
  return kNotFound;
}

void TData::ClearCounters() {
  for (int i = 0; i < LineCount && i < kMaxLines; ++i) {
    TLineEntry& e = LineTable[i];
    e.SmsCount = e.VoiceCount = e.FaxCount = e.SpareCount = 0;
  }
}

std::uint8_t TData::SetCounters(std::string_view number, std::uint8_t sms, std::uint8_t fax,
                                std::uint8_t voice, std::uint8_t spare) {
  const std::uint8_t i = FindLine(number);
  if (i == kNotFound) return i;
  TLineEntry& e = LineTable[i];
  e.SmsCount = sms;
  e.FaxCount = fax;
  e.VoiceCount = voice;
  e.SpareCount = spare;
  return i;
}

std::uint8_t TData::AddCounters(std::string_view number, std::uint8_t sms, std::uint8_t fax,
                                std::uint8_t voice, std::uint8_t spare) {
  const std::uint8_t i = FindLine(number);
  if (i == kNotFound) return i;
  TLineEntry& e = LineTable[i];
  e.SmsCount = static_cast<std::uint8_t>(e.SmsCount + sms);
  e.FaxCount = static_cast<std::uint8_t>(e.FaxCount + fax);
  e.VoiceCount = static_cast<std::uint8_t>(e.VoiceCount + voice);
  e.SpareCount = static_cast<std::uint8_t>(e.SpareCount + spare);
  return i;
}

void TData::storeLineStates(const std::uint8_t* payload, int length, const Clock& clock) {
  LineStateLength = keep(LineStateSnapshot, payload, length);
  LineStateTime = clock.now();
  LineStateMono = clock.monotonicMs();
}

void TData::storeSw(const std::uint8_t* payload, int length, const Clock& clock) {
  SwLength = keep(SwSnapshot, payload, length);
  SwTime = clock.now();
  SwMono = clock.monotonicMs();
}

void TData::setLineNumber(int i, std::string_view number) {
  if (i < 0 || i >= kMaxLines) return;
  char* n = LineTable[i].Number;
  std::memset(n, 0, sizeof LineTable[i].Number);
  std::memcpy(n, number.data(),
              std::min<std::size_t>(number.size(), sizeof LineTable[i].Number - 1));
}

}  // namespace norva
