#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "link/comm_pax.h"
#include "pbxsim/pbx_model.h"
#include "platform/serial_port.h"
#include "platform/timer.h"
#include "support/fake_serial_port.h"
#include "support/virtual_time.h"

namespace norva::test {

// The PBX on the other end of a fake serial line, in virtual time: it reads
// the agent's frames, answers from the shared PBX model after a delay, and
// can stall, go silent or send noise.
class SimulatedPbx : public ByteSink, public ByteSource {
 public:
  struct Exchange {
    std::uint8_t sequence;
    std::vector<std::uint8_t> request;
    std::int64_t at;  // virtual milliseconds when it arrived
  };

  SimulatedPbx(FakeSerialPort& port, VirtualScheduler& scheduler);
  ~SimulatedPbx() override;

  sim::PbxModel model;
  int answerDelayMs = 20;
  // Sees each framed answer just before it goes on the line; false drops it.
  std::function<bool(std::vector<std::uint8_t>& frame)> onAnswerFrame;

  // Every request the PBX saw, in order.
  std::vector<Exchange> received;
  std::vector<char> commands() const;  // the first byte of each request, for quick checks

  // Bytes straight onto the line towards the agent.
  void sendRaw(const std::vector<std::uint8_t>& bytes) { port_.receive(bytes); }
  // An answer for a given sequence number, sent now.
  void sendAnswer(std::uint8_t sequence, const std::vector<std::uint8_t>& payload);

  // ByteSink/ByteSource for the PBX's own frame parser and writer.
  int write(const std::uint8_t* data, int count) override;
  void purgeTransmit() override {}
  int read(std::uint8_t* buffer, int count) override;

 private:
  void onPacket(int count, const std::uint8_t* data);
  void sendDue();

  FakeSerialPort& port_;
  VirtualScheduler& scheduler_;
  TCommPax pax_;
  std::vector<std::uint8_t> inbox_;   // agent → PBX, waiting for the parser
  std::size_t inboxPos_ = 0;
  std::vector<std::uint8_t> outbox_;  // frame being written towards the agent
  std::unique_ptr<Timer> timer_;
  struct Pending {
    std::int64_t due;
    std::vector<std::uint8_t> frame;
  };
  std::deque<Pending> pending_;  // framed answers waiting for their delay, in order
  void arm();
};

}  // namespace norva::test
