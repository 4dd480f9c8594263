#include "gateway.h"

#include <curl/curl.h>

#include <cstdio>

#include "smtp_transport.h"

namespace agentz4 {

namespace {
void stderrLog(const std::string& text) { std::fprintf(stderr, "agentz4: %s\n", text.c_str()); }
}  // namespace

std::unique_ptr<Gateway> Gateway::create(const std::string& configPath, const std::string& user,
                                         const std::string& workDir, const std::string& password,
                                         int debugLevel, std::int32_t& result,
                                         std::unique_ptr<Transport> transport) {
  std::unique_ptr<Gateway> g(new Gateway);
  g->debugLevel_ = debugLevel;
  std::string error;
  if (!loadConfig(configPath, g->config_, error)) {
    stderrLog(error);
    result = kErrConfig;
    return nullptr;
  }
  const std::string home = workDir + "/agentz4";
  if (workDir.empty() || !makeDir(home)) {
    stderrLog("cannot use the work directory '" + workDir + "'");
    result = kErrWorkDir;
    return nullptr;
  }
  g->reader_ = std::make_unique<MailboxReader>(g->config_.mailboxes, home + "/state");
  if (!g->reader_->start()) {
    stderrLog("the mailbox state in " + home + " is unreadable; every mailbox is read whole");
  }
  g->spool_ = std::make_unique<Spool>(home + "/spool");
  if (!g->spool_->open()) {
    stderrLog("cannot make the spool folder in " + home);
    result = kErrWorkDir;
    return nullptr;
  }
  if (!transport) {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      result = kErrCurl;
      return nullptr;
    }
    g->curlUp_ = true;
    transport = std::make_unique<SmtpTransport>(g->config_.smtp, user, password);
  }
  g->transport_ = std::move(transport);
  Gateway* self = g.get();
  g->delivery_ = std::make_unique<SpoolDelivery>(
      *g->spool_, g->config_, *g->transport_, [self](const std::string& text) { self->log(text); });
  g->thread_ = std::make_unique<DeliveryThread>(*g->delivery_);
  g->thread_->start();
  result = 0;
  return g;
}

Gateway::~Gateway() {
  // The thread goes first: it uses everything below.
  if (thread_) thread_->stop();
  thread_.reset();
  delivery_.reset();
  transport_.reset();
  if (curlUp_) curl_global_cleanup();
}

std::int32_t Gateway::send(const char* recipient, char type, const char* subject, const char* text,
                           std::uint8_t flag) {
  if (recipient == nullptr || subject == nullptr || text == nullptr) return kErrArgument;
  SpoolEntry e;
  // A recipient without an address type (a trap set up so) is an e-mail address.
  e.type = type == 0 ? 'I' : type;
  e.flag = flag;
  e.recipient = recipient;
  e.subject = subject;
  e.body = text;
  // Every well-formed message is kept; one that cannot be routed is dealt
  // with by the delivery (failed/), so only a spool that cannot hold it refuses.
  const std::string name = spool_->put(e);
  if (name.empty()) {
    stderrLog("cannot write to the spool folder " + spool_->folder());
    return kErrSpool;
  }
  if (debugLevel_ > 0) stderrLog("queued " + name);
  thread_->wake();
  return 0;
}

void Gateway::stopAction() { thread_->stop(); }

void Gateway::log(const std::string& text) const {
  // Postponements are routine while the server is down; failures always show.
  if (debugLevel_ > 0 || text.find("postponed") == std::string::npos) stderrLog(text);
}

}  // namespace agentz4
