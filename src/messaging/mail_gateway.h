#pragma once

#include <cstdint>
#include <string>

namespace norva {

struct LogCategories;
class ProfileFile;
class TData;

// What the messaging code needs of the agent: its log and status bar, its
// texts, its log switches and the sending step for requests that are not
// filed (no answer is awaited).
class MailHost {
 public:
  virtual ~MailHost() = default;
  virtual void writeLog(const std::string& tag, const std::string& text) = 0;
  virtual void showStatus(const std::string& tag, const std::string& text) = 0;
  // A text loaded from the language file.
  virtual std::string text(int number) = 0;
  // The file-text lookup: x00 opens the file, x99 closes it.
  virtual std::string fileText(int number) = 0;
  virtual const LogCategories& logSwitches() const = 0;
  virtual void sendUnfiled(const std::string& tag, const std::string& text,
                           const std::uint8_t* payload, int length) = 0;
};

// The agent's way to the mail system: traps, messages and mailbox counters.
// Every call does nothing until a gateway is there, and it counts as not
// usable then, so the mail timers never start.
class MailGateway {
 public:
  virtual ~MailGateway() = default;
  // The agent hands itself over right after creating the gateway.
  virtual void Attach(MailHost& /*host*/) {}
  virtual bool Usable() const { return false; }
  virtual void ReadSettings(const ProfileFile& /*file*/) {}
  virtual void Initialize() {}
  virtual void StopAction() {}
  virtual void Deinitialize() {}
  // Brings the message counters in `data` up to date; false when there is
  // nothing to send.
  virtual bool ScanMailboxes(TData& /*data*/) { return false; }
  // 0: the library took the message.
  virtual int SendMessage(const std::string& /*recipient*/, char /*addressType*/,
                          const std::string& /*subject*/, const std::string& /*text*/,
                          std::uint8_t /*flag*/) {
    return -1;
  }
  // 1: the link to the PBX failed; 2: it is back.
  virtual void SendTrap(int /*kind*/) {}
};

}  // namespace norva
