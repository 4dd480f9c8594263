// What a network client sends: the local answers (snapshots, accounting
// records, the response cache), the forwarding to the PBX and the way the
// PBX's answer goes back to the client that asked.
#include <algorithm>
#include <optional>

#include "core/agent.h"
#include "data/accounting.h"
#include "data/tdata.h"
#include "data/trace_text.h"
#include "gateway/response_cache.h"
#include "i18n/text_ids.h"
#include "i18n/tnls.h"
#include "platform/clock.h"
#include "platform/timer.h"

namespace norva {

namespace {

constexpr std::uint8_t kLineStateTable = 22;
constexpr std::uint8_t kSwCommand = 14;
constexpr std::int64_t kSwMaxAgeMs = 300;

bool fresh(int length, std::int64_t storedMono, std::int64_t maxAgeMs, const Clock& clock) {
  return length > 0 && clock.monotonicMs() - storedMono <= maxAgeMs;
}

}  // namespace

char snapshotKindOf(const std::uint8_t* payload, int length) {
  if (length >= 2 && payload[0] == 0 && payload[1] == kLineStateTable) return 'A';
  if (length >= 1 && payload[0] == kSwCommand) return 'X';
  return 0;
}

bool Agent::waitForSnapshot(char kind, TcpConnection& socket) {
  // A read of the same data is on its way already: its answer serves this
  // client too, instead of one more request per client on the serial line.
  if (!snapshotReadPending(kind)) return false;
  std::vector<std::uint64_t>& waiting = snapshotWaiters(kind);
  if (std::find(waiting.begin(), waiting.end(), socket.serial()) == waiting.end()) {
    waiting.push_back(socket.serial());
  }
  return true;
}

void Agent::ServerSocket1ClientRead(TcpConnection& socket) {
  // One read of at most 500 bytes is one request. Whatever a buffered socket
  // holds beyond that is the next request, handled now: the socket will not
  // signal again for bytes it already holds.
  for (;;) {
    const int waiting = socket.bytesAvailable();
    if (waiting <= 0) return;
    const int L = socket.read(ClientBuffer.data(), std::min(waiting, kClientBufferSize));
    if (L <= 0) return;
    handleClientRequest(socket, ClientBuffer.data(), L);
  }
}

void Agent::handleClientRequest(TcpConnection& socket, const std::uint8_t* request, int L) {
  if (config_.log.tcpIpIn) writeLog(clientTag('<', socket), traceRequest(request, L, false));
  if (AnswerLineState(request, L, socket) || AnswerSw(request, L, socket) ||
      AnswerAccounting(request, L, socket) || AnswerFromCache(request, L, socket)) {
    return;
  }
  if (!RequestQueue_) return;  // the control panel of a running service forwards nothing
  if (PollState == 0 && RequestQueue_->empty()) {
    sendClientRequest(request, L, socket.socketNumber(), socket.serial());
    TickCount = 0;
  } else {
    QueueRequest('T', socket.socketNumber(), request, L, socket.serial());
  }
}

void Agent::sendClientRequest(const std::uint8_t* payload, int length, int socket,
                              std::uint64_t connection) {
  RememberRequest('T', payload, length, socket, connection);
  const std::string trace = traceRequest(payload, length, false);
  SendRequest(">COM", trace, payload, length);
  if (config_.log.comOut && !config_.log.comLocOut) writeLog(">COM", trace);
  PollState = 20;
  const char snapshot = snapshotKindOf(payload, length);
  AwaitedKind = snapshot != 0 ? snapshot : 'T';
}

bool Agent::snapshotReadPending(char kind) const {
  if ((PollState == 1 || PollState == 20) && AwaitedKind == kind) return true;
  if (!RequestQueue_) return false;
  for (const RequestQueue::Entry& e : RequestQueue_->entries()) {
    if (e.kind() == kind) return true;
    if (e.kind() == 'T' && e.record &&
        snapshotKindOf(e.record->payload.data(), e.record->length()) == kind) {
      return true;
    }
  }
  return false;
}

std::vector<std::uint64_t>& Agent::snapshotWaiters(char kind) {
  return kind == 'A' ? LineStateWaiters : SwWaiters;
}

void Agent::answerSnapshotWaiters(char kind, const std::uint8_t* data, int length) {
  std::vector<std::uint64_t>& waiting = snapshotWaiters(kind);
  if (waiting.empty() || !ServerSocket1) return;
  std::sort(waiting.begin(), waiting.end());
  // Collected first: a send may drop a connection from the server's list.
  std::vector<TcpConnection*> targets;
  for (int i = 0; i < ServerSocket1->connectionCount(); ++i) {
    TcpConnection* c = ServerSocket1->connection(i);
    if (std::binary_search(waiting.begin(), waiting.end(), c->serial())) targets.push_back(c);
  }
  waiting.clear();
  for (TcpConnection* c : targets) sendSnapshot(kind, *c, data, length);
}

void Agent::sendSnapshot(char kind, TcpConnection& socket, const std::uint8_t* data, int length) {
  if (config_.log.comIn || config_.log.tcpIpOut) {
    const std::string what = text(kind == 'A' ? txt::kLineStateData : txt::kSwData);
    if (config_.log.comIn) writeLog("<CCH", what);
    if (config_.log.tcpIpOut) writeLog(clientTag('>', socket), what);
  }
  sendToClient(socket, data, length);
}

bool Agent::AnswerLineState(const std::uint8_t* request, int L, TcpConnection& socket) {
  if (L < 2 || request[0] != 0 || request[1] != kLineStateTable) return false;
  LineStateAskMono = clock().monotonicMs();
  TimerAN->setEnabled(true);
  if (!Data || !fresh(Data->LineStateLength, Data->LineStateMono, CacheMaxAge(kLineStateTable),
                      clock())) {
    return waitForSnapshot('A', socket);
  }
  sendSnapshot('A', socket, Data->LineStateSnapshot.data(), Data->LineStateLength);
  return true;
}

bool Agent::AnswerSw(const std::uint8_t* request, int L, TcpConnection& socket) {
  if (L < 1 || request[0] != kSwCommand) return false;
  SwAskMono = clock().monotonicMs();
  TimerSW->setEnabled(true);
  if (!Data || !fresh(Data->SwLength, Data->SwMono, kSwMaxAgeMs, clock())) {
    return waitForSnapshot('X', socket);
  }
  sendSnapshot('X', socket, Data->SwSnapshot.data(), Data->SwLength);
  return true;
}

bool Agent::AnswerAccounting(const std::uint8_t* request, int L, TcpConnection& socket) {
  if (L < 1 || (request[0] != 4 && request[0] != 5)) return false;
  static constexpr std::uint8_t kNothing = 0;
  if (!config_.sendUct) {
    sendToClient(socket, &kNothing, 1);
    return true;
  }
  if (!config_.readUct) return false;
  if (!Accounting || Accounting->empty()) {
    sendToClient(socket, &kNothing, 1);
    return true;
  }
  // 05 asks for the one before the cursor again; never below record 0.
  const std::int64_t cursor = std::max<std::int64_t>(socket.userData - (request[0] == 5 ? 1 : 0), 0);
  const std::optional<std::uint32_t> p = Accounting->servedNumber(static_cast<std::uint32_t>(cursor));
  if (!p) {
    sendToClient(socket, &kNothing, 1);
    return true;
  }
  const std::string& record = *Accounting->record(*p);
  if (config_.log.tcpIpOut) writeLog(clientTag('>', socket), record);
  std::vector<std::uint8_t> reply;
  reply.reserve(record.size() + 1);
  reply.push_back(0);
  reply.insert(reply.end(), record.begin(), record.end());
  socket.userData = static_cast<std::int64_t>(*p) + 1;
  sendToClient(socket, reply.data(), static_cast<int>(reply.size()));
  return true;
}

bool Agent::AnswerFromCache(const std::uint8_t* request, int L, TcpConnection& socket) {
  if (!ResponseCache_) return false;
  const int i = ResponseCache_->CacheLookup(request, L, true);
  if (i < 0) return false;
  const ResponseCache::Entry& e = ResponseCache_->entry(i);
  if (config_.log.comIn || config_.log.tcpIpOut) {
    const std::string trace = traceRequest(e.Answer.data(), e.AnswerLength, false);
    if (config_.log.comIn) writeLog("<CCH", trace);
    if (config_.log.tcpIpOut) writeLog(clientTag('>', socket), trace);
  }
  sendToClient(socket, e.Answer.data(), e.AnswerLength);
  return true;
}

void Agent::routeClientAnswer(const TPendingRequest& r, const std::uint8_t* answer, int length) {
  const char snapshot = snapshotKindOf(r.payload.data(), r.length());
  if (snapshot != 0) answerSnapshotWaiters(snapshot, answer, length);
  // By the connection itself: its socket number may already belong to a
  // client that connected after the asker left.
  TcpConnection* socket = ClientByConnection(r.connection);
  if (!socket) return;
  sendToClient(*socket, answer, length);
  OnClientAnswer(r.firstByte, answer, length);
  const std::string trace =
      TraceText(TraceForm::Answer, answer, length, r.firstByte, false, *nls_);
  if (config_.log.comIn) writeLog("<COM", trace);
  if (config_.log.tcpIpOut) writeLog(clientTag('>', *socket), trace);
}

void Agent::allocateResponseCache() {
  ResponseCache_ = std::make_unique<ResponseCache>(config_.maxCache, clock());
  config_.maxCache = ResponseCache_->MaxCache();
}

void Agent::Hooks::emptyCache() {
  if (agent_.ResponseCache_) agent_.ResponseCache_->empty();
}

void Agent::offerToCache(const TPendingRequest& r, const std::uint8_t* answer, int length) {
  if (ResponseCache_) ResponseCache_->CacheStore(r.payload.data(), r.length(), answer, length);
}

}  // namespace norva
