#include "support/simulated_pbx.h"

#include <algorithm>

namespace norva::test {

SimulatedPbx::SimulatedPbx(FakeSerialPort& port, VirtualScheduler& scheduler)
    : port_(port), scheduler_(scheduler), pax_(*this, *this), timer_(scheduler.createTimer()) {
  pax_.OnRxPacket = [this](int count, const std::uint8_t* data) { onPacket(count, data); };
  port_.onWrite = [this](const std::uint8_t* data, int count) {
    inbox_.assign(data, data + count);
    inboxPos_ = 0;
    pax_.RxChar(count);
  };
  timer_->setCallback([this] { sendDue(); });
}

SimulatedPbx::~SimulatedPbx() { port_.onWrite = nullptr; }

int SimulatedPbx::read(std::uint8_t* buffer, int count) {
  int n = 0;
  while (n < count && inboxPos_ < inbox_.size()) buffer[n++] = inbox_[inboxPos_++];
  return n;
}

int SimulatedPbx::write(const std::uint8_t* data, int count) {
  outbox_.insert(outbox_.end(), data, data + count);
  return count;
}

std::vector<char> SimulatedPbx::commands() const {
  std::vector<char> out;
  for (const auto& e : received) out.push_back(static_cast<char>(e.request.empty() ? 0 : e.request[0]));
  return out;
}

void SimulatedPbx::onPacket(int count, const std::uint8_t* data) {
  const std::uint8_t sequence = data[0];
  std::vector<std::uint8_t> request(data + 1, data + count);
  received.push_back({sequence, request, scheduler_.now()});
  const auto answer = model.answer(request);
  if (!answer) return;
  outbox_.clear();
  pax_.WritePacket(sequence, answer->data(), static_cast<int>(answer->size()));
  // Each answer keeps its own delay, but never overtakes an earlier one.
  std::int64_t due = scheduler_.now() + std::max(answerDelayMs, 1);
  if (!pending_.empty()) due = std::max(due, pending_.back().due);
  pending_.push_back({due, outbox_});
  if (!timer_->enabled()) arm();
}

void SimulatedPbx::arm() {
  timer_->setEnabled(false);
  if (pending_.empty()) return;
  timer_->setInterval(static_cast<int>(std::max<std::int64_t>(pending_.front().due - scheduler_.now(), 1)));
  timer_->setEnabled(true);
}

void SimulatedPbx::sendAnswer(std::uint8_t sequence, const std::vector<std::uint8_t>& payload) {
  outbox_.clear();
  pax_.WritePacket(sequence, payload.data(), static_cast<int>(payload.size()));
  port_.receive(outbox_);
}

void SimulatedPbx::sendDue() {
  while (!pending_.empty() && pending_.front().due <= scheduler_.now()) {
    std::vector<std::uint8_t> frame = std::move(pending_.front().frame);
    pending_.pop_front();
    if (onAnswerFrame && !onAnswerFrame(frame)) continue;
    if (port_.isOpen()) port_.receive(frame);
  }
  arm();
}

}  // namespace norva::test
