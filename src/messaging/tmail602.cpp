#include "messaging/tmail602.h"

#include "core/log_categories.h"
#include "core/profile_file.h"
#include "data/encodings.h"
#include "platform/library_loader.h"

namespace norva {

namespace {

constexpr const char* kMail = "M602";
constexpr const char* kTraps = "Trapy";

// A hand-edited value longer than its member is cut to fit.
std::string fit(std::string value, std::size_t max) {
  if (value.size() > max) value.resize(max);
  return value;
}

template <typename Fn>
bool resolveInto(LoadedLibrary& library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(library.symbol(name));
  return fn != nullptr;
}

}  // namespace

std::int32_t parseDebugLevel(const std::string& text) {
  if (text.empty() || text.size() > 8) return 0;
  std::uint32_t value = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return 0;
    }
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(value);
}

TMail602::TMail602(std::unique_ptr<LoadedLibrary> library, std::string defaultWorkDir)
    : LibraryHandle(std::move(library)), defaultWorkDir_(std::move(defaultWorkDir)) {
  if (!LibraryHandle) return;
  LoadedLibrary& lib = *LibraryHandle;
  // Every one of the ten must be there, or the library is not used at all.
  bool all = true;
  all &= resolveInto(lib, "RychlyTestZmenVeSchrankach", RychlyTestZmenVeSchrankach);
  all &= resolveInto(lib, "NactiZmenyVeSchrance", NactiZmenyVeSchrance);
  all &= resolveInto(lib, "PotvrdPreneseniZmenVeSchrance", PotvrdPreneseniZmenVeSchrance);
  all &= resolveInto(lib, "NactiZmenyVeSchrankach", NactiZmenyVeSchrankach);
  all &= resolveInto(lib, "PotvrdPreneseniZmenVeSchrankach", PotvrdPreneseniZmenVeSchrankach);
  all &= resolveInto(lib, "PosliStavovouZpravu", PosliStavovouZpravu);
  all &= resolveInto(lib, "InicializaceZ4Komunikace", InicializaceZ4Komunikace);
  all &= resolveInto(lib, "DeInicializaceZ4Komunikace", DeInicializaceZ4Komunikace);
  all &= resolveInto(lib, "SetDebugLevel", SetDebugLevel);
  all &= resolveInto(lib, "ZastavAkci", ZastavAkci);
  if (!all) return;
  FullReadPending = true;
  Usable_ = true;
}

// Here, where LoadedLibrary is complete; destroying LibraryHandle unloads the library.
TMail602::~TMail602() = default;

void TMail602::ReadSettings(const ProfileFile& file) {
  ConfigPath = fit(file.readString(kMail, "CestaKeKonfiguraciMail602", ""), kTextMax);
  UserName = fit(file.readString(kMail, "Uzivatel", ""), kTextMax);
  Password = fit(LoadPassword(file.readString(kMail, "Heslo", "")), kPasswordMax);
  WorkDir = fit(file.readString(kMail, "CestaKPracovnimuAdresari", defaultWorkDir_), kTextMax);
  TrapRecipient = fit(file.readString(kTraps, "AdresaPrijemce", ""), kTextMax);
  const std::string type = file.readString(kTraps, "TypAdresyPrijemce", "");
  TrapAddressType = type.empty() ? 0 : type[0];
  TrapSubject = fit(file.readString(kTraps, "Subject", ""), kTextMax);
  // The defaults come from the language file: 200 opens it, 299 closes it.
  const std::string on = host_ ? host_->fileText(200) : std::string();
  const std::string off = host_ ? host_->fileText(299) : std::string();
  TrapTextOn = fit(file.readString(kTraps, "ZpravaComOn", on), kTextMax);
  TrapTextOff = fit(file.readString(kTraps, "ZpravaComOff", off), kTextMax);
  DebugLevel = parseDebugLevel(file.readString(kMail, "Debug", "0"));
}

bool TMail602::WriteMailSettings(ProfileFile& file) const {
  bool ok = file.writeString(kMail, "CestaKeKonfiguraciMail602", ConfigPath);
  ok &= file.writeString(kMail, "CestaKPracovnimuAdresari", WorkDir);
  ok &= file.writeString(kMail, "Uzivatel", UserName);
  ok &= file.writeString(kMail, "Heslo", StorePassword(Password));
  return ok;
}

bool TMail602::WriteTrapSettings(ProfileFile& file) const {
  bool ok = file.writeString(kTraps, "AdresaPrijemce", TrapRecipient);
  ok &= file.writeString(kTraps, "TypAdresyPrijemce",
                         TrapAddressType == 0 ? std::string() : std::string(1, TrapAddressType));
  ok &= file.writeString(kTraps, "Subject", TrapSubject);
  ok &= file.writeString(kTraps, "ZpravaComOn", TrapTextOn);
  ok &= file.writeString(kTraps, "ZpravaComOff", TrapTextOff);
  return ok;
}

void TMail602::Initialize() {
  if (!Usable_) return;
  SetDebugLevel(DebugLevel);
  if (InicializaceZ4Komunikace(ConfigPath.c_str(), UserName.c_str(), WorkDir.c_str(),
                               Password.c_str()) != 0) {
    Usable_ = false;
  }
}

void TMail602::StopAction() {
  if (Usable_) ZastavAkci();
}

void TMail602::Deinitialize() {
  if (Usable_) DeInicializaceZ4Komunikace();
}

int TMail602::SendMessage(const std::string& recipient, char addressType,
                          const std::string& subject, const std::string& text,
                          std::uint8_t flag) {
  if (!Usable_) return -1;
  return PosliStavovouZpravu(recipient.c_str(), addressType, subject.c_str(), text.c_str(), flag);
}

void TMail602::SendTrap(int kind) {
  if (!Usable_) return;
  const std::string* text = kind == 1 ? &TrapTextOff : kind == 2 ? &TrapTextOn : nullptr;
  if (text == nullptr || text->empty()) return;
  if (SendMessage(TrapRecipient, TrapAddressType, TrapSubject, *text, agentz4::kFlagTrap) == 0) {
    log("Mail", TrapRecipient + " > " + *text);
  }
}

void TMail602::log(const std::string& tag, const std::string& text) {
  if (host_) host_->writeLog(tag, text);
}

bool TMail602::extent() const { return host_ && host_->logSwitches().extent; }

}  // namespace norva
