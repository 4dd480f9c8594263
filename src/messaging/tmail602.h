#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "messaging/agentz4_records.h"
#include "messaging/mail_gateway.h"

namespace norva {

class LoadedLibrary;

// The agent's one object over the mail-gateway library: it resolves the
// library's ten calls, keeps the settings of sections M602 and Trapy, and
// makes every call into the library. Nothing reaches the library while
// `Usable` is clear.
class TMail602 : public MailGateway {
 public:
  static constexpr std::size_t kTextMax = 100;
  static constexpr std::size_t kPasswordMax = 20;

  // `library` may be null (not found); `defaultWorkDir` is the system's
  // temporary directory without its closing "/".
  TMail602(std::unique_ptr<LoadedLibrary> library, std::string defaultWorkDir);
  ~TMail602() override;

  void Attach(MailHost& host) override { host_ = &host; }
  bool Usable() const override { return Usable_; }
  void ReadSettings(const ProfileFile& file) override;
  bool WriteMailSettings(ProfileFile& file) const;
  bool WriteTrapSettings(ProfileFile& file) const;
  void Initialize() override;
  void StopAction() override;
  void Deinitialize() override;
  bool ScanMailboxes(TData& data) override;
  int SendMessage(const std::string& recipient, char addressType, const std::string& subject,
                  const std::string& text, std::uint8_t flag) override;
  void SendTrap(int kind) override;

  // Settings, edited directly by the settings dialogs.
  std::string ConfigPath;
  std::string UserName;
  std::string Password;
  std::string WorkDir;
  std::string TrapRecipient;
  char TrapAddressType = 0;  // 0: none
  std::string TrapSubject;
  std::string TrapTextOn;
  std::string TrapTextOff;
  std::int32_t DebugLevel = 0;

  bool FullReadPending = false;
  // Every counted message's id with its type letter.
  const std::unordered_map<std::int32_t, char>& messageTypes() const { return MessageTypes; }

 private:
  void log(const std::string& tag, const std::string& text);
  bool extent() const;
  void countMailbox(TData& data, agentz4::Mailbox* m, agentz4::Request& block, int mode,
                    const std::string& text300, const std::string& text301);

  std::unique_ptr<LoadedLibrary> LibraryHandle;
  agentz4::RychlyTestZmenVeSchrankachFn RychlyTestZmenVeSchrankach = nullptr;
  agentz4::NactiZmenyVeSchranceFn NactiZmenyVeSchrance = nullptr;
  agentz4::PotvrdPreneseniZmenVeSchranceFn PotvrdPreneseniZmenVeSchrance = nullptr;
  agentz4::NactiZmenyVeSchrankachFn NactiZmenyVeSchrankach = nullptr;
  agentz4::PotvrdPreneseniZmenVeSchrankachFn PotvrdPreneseniZmenVeSchrankach = nullptr;
  agentz4::PosliStavovouZpravuFn PosliStavovouZpravu = nullptr;
  agentz4::InicializaceZ4KomunikaceFn InicializaceZ4Komunikace = nullptr;
  agentz4::DeInicializaceZ4KomunikaceFn DeInicializaceZ4Komunikace = nullptr;
  agentz4::SetDebugLevelFn SetDebugLevel = nullptr;
  agentz4::ZastavAkciFn ZastavAkci = nullptr;

  std::unordered_map<std::int32_t, char> MessageTypes;
  bool Usable_ = false;
  std::string defaultWorkDir_;
  MailHost* host_ = nullptr;
};

// A hexadecimal number ("10" is 16); anything else gives 0.
std::int32_t parseDebugLevel(const std::string& text);

}  // namespace norva
