#pragma once

namespace norva {

class ProfileFile;
class TData;

// The agent's way to the mail system: traps, messages and mailbox counters.
// Every call does nothing until a gateway is there, and it counts as not
// usable then, so the mail timers never start.
class MailGateway {
 public:
  virtual ~MailGateway() = default;
  virtual bool Usable() const { return false; }
  virtual void ReadSettings(const ProfileFile& /*file*/) {}
  virtual void Initialize() {}
  virtual void StopAction() {}
  virtual void Deinitialize() {}
  // Brings the message counters in `data` up to date; false when there is
  // nothing to send.
  virtual bool ScanMailboxes(TData& /*data*/) { return false; }
  // 1: the link to the PBX failed; 2: it is back.
  virtual void SendTrap(int /*kind*/) {}
};

}  // namespace norva
