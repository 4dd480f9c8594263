#pragma once

#include <vector>

#include "messaging/mail_gateway.h"

namespace norva::test {

// A mail gateway that is there and records what it is asked.
class FakeMailGateway : public MailGateway {
 public:
  struct Record {
    bool usable = true;
    bool changes = false;
    std::vector<int> traps;
    int initialized = 0, stopped = 0, deinitialized = 0, scans = 0;
  };
  explicit FakeMailGateway(Record& r) : r_(r) {}
  bool Usable() const override { return r_.usable; }
  void Initialize() override { ++r_.initialized; }
  void StopAction() override { ++r_.stopped; }
  void Deinitialize() override { ++r_.deinitialized; }
  bool ScanMailboxes(TData&) override {
    ++r_.scans;
    return r_.changes;
  }
  void SendTrap(int kind) override { r_.traps.push_back(kind); }

 private:
  Record& r_;
};

}  // namespace norva::test
