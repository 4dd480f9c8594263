// The library's ten calls. They all come from the agent's main thread, one
// at a time; the only other thread is the delivery thread of the Gateway.
#include <memory>

#include "gateway.h"

#define AGENTZ4_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::unique_ptr<agentz4::Gateway> gateway;
int debugLevel = 0;
}  // namespace

using namespace agentz4;

AGENTZ4_EXPORT void SetDebugLevel(std::int32_t level) { debugLevel = level; }

AGENTZ4_EXPORT std::int32_t InicializaceZ4Komunikace(const char* configPath, const char* userName,
                                                     const char* workDir, const char* password) {
  gateway.reset();
  if (configPath == nullptr || userName == nullptr || workDir == nullptr || password == nullptr) {
    return kErrArgument;
  }
  std::int32_t result = 0;
  gateway = Gateway::create(configPath, userName, workDir, password, debugLevel, result);
  return result;
}

AGENTZ4_EXPORT std::int32_t RychlyTestZmenVeSchrankach() {
  return gateway ? gateway->reader().quickTest() : 0;
}

AGENTZ4_EXPORT std::int32_t NactiZmenyVeSchrankach(Mailbox** list, Request* request) {
  if (!gateway) return kErrNotStarted;
  return gateway->reader().readList(list, request);
}

AGENTZ4_EXPORT std::int32_t NactiZmenyVeSchrance(Mailbox** mailbox, Request* request,
                                                 Mailbox* record) {
  if (!gateway) return kErrNotStarted;
  return gateway->reader().readWhole(mailbox, request, record);
}

AGENTZ4_EXPORT std::int32_t PotvrdPreneseniZmenVeSchrance(Mailbox** mailbox) {
  if (!gateway) return kErrNotStarted;
  return gateway->reader().confirmWhole(mailbox);
}

AGENTZ4_EXPORT void PotvrdPreneseniZmenVeSchrankach(Mailbox** list) {
  if (gateway) gateway->reader().confirmList(list);
}

AGENTZ4_EXPORT std::int32_t PosliStavovouZpravu(const char* recipient, char addressType,
                                                const char* subject, const char* text,
                                                std::uint8_t flag) {
  if (!gateway) return kErrNotReady;
  return gateway->send(recipient, addressType, subject, text, flag);
}

AGENTZ4_EXPORT void ZastavAkci() {
  if (gateway) gateway->stopAction();
}

AGENTZ4_EXPORT void DeInicializaceZ4Komunikace() { gateway.reset(); }
