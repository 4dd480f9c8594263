#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "config.h"
#include "delivery.h"
#include "mailbox_reader.h"
#include "messaging/agentz4_records.h"
#include "spool.h"

namespace agentz4 {

// Results of InicializaceZ4Komunikace and PosliStavovouZpravu.
constexpr std::int32_t kErrConfig = 1;     // the configuration file is unreadable or incomplete
constexpr std::int32_t kErrWorkDir = 2;    // the work directory cannot hold the library's files
constexpr std::int32_t kErrCurl = 3;       // libcurl could not be set up
constexpr std::int32_t kErrSpool = 4;      // the message could not be written to the spool
constexpr std::int32_t kErrNotReady = 5;   // not initialised
constexpr std::int32_t kErrArgument = 6;   // a null text

// The library's state between InicializaceZ4Komunikace and DeInicializaceZ4Komunikace.
// Everything except the delivery thread runs on the caller's thread.
class Gateway {
 public:
  // `transport` null: SMTP through libcurl.
  static std::unique_ptr<Gateway> create(const std::string& configPath, const std::string& user,
                                         const std::string& workDir, const std::string& password,
                                         int debugLevel, std::int32_t& result,
                                         std::unique_ptr<Transport> transport = nullptr);
  ~Gateway();

  MailboxReader& reader() { return *reader_; }
  std::int32_t send(const char* recipient, char type, const char* subject, const char* text,
                    std::uint8_t flag);
  void stopAction();
  const Spool& spool() const { return *spool_; }

 private:
  Gateway() = default;
  void log(const std::string& text) const;

  int debugLevel_ = 0;
  bool curlUp_ = false;
  LibraryConfig config_;
  std::unique_ptr<MailboxReader> reader_;
  std::unique_ptr<Spool> spool_;
  std::unique_ptr<Transport> transport_;
  std::unique_ptr<SpoolDelivery> delivery_;
  std::unique_ptr<DeliveryThread> thread_;
};

}  // namespace agentz4
