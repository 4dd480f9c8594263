// The listening side of the gateway: opening the server (and trying again
// while the port is taken), its socket events and the lookup that routes an
// answer back to the connection that asked.
#include "core/agent.h"
#include "i18n/text_ids.h"
#include "platform/timer.h"

namespace norva {

void Agent::openTcpServer() {
  ServerSocket1 = env_.tcpServer;
  if (!ServerSocket1) return;
  ServerSocket1->setEvents(this);
  ServerSocket1->setPort(config_.ipPort);
  listen(true);
}

bool Agent::listen(bool firstTry) {
  std::string error;
  if (ServerSocket1->open(error)) {
    writeLog("-OK-", text(txt::kTcpListening));
    return true;
  }
  if (firstTry) {
    const std::string status = text(txt::kTcpFailedStatus) + error;
    log_.setStatusText(status);
    writeLog("!Err", text(txt::kTcpFailed));
    logEvent(true, status);
    // A service must not stay deaf because the port was taken at boot.
    ListenRetryTimer->setEnabled(true);
  }
  return false;
}

void Agent::ListenRetryTimerTimer() {
  if (!ServerSocket1 || ServerSocket1->active() || listen(false)) {
    ListenRetryTimer->setEnabled(false);
  }
}

bool Agent::listenRetrying() const { return ListenRetryTimer->enabled(); }

void Agent::closeTcpServer() {
  ListenRetryTimer->setEnabled(false);
  AcceptResumeTimer->setEnabled(false);
  if (!ServerSocket1) return;
  if (ServerSocket1->active()) ServerSocket1->close();
  ServerSocket1->setEvents(nullptr);
  ServerSocket1 = nullptr;
}

TcpConnection* Agent::ClientByConnection(std::uint64_t serial) const {
  if (!ServerSocket1 || serial == 0) return nullptr;
  for (int i = 0; i < ServerSocket1->connectionCount(); ++i) {
    TcpConnection* c = ServerSocket1->connection(i);
    if (c && c->serial() == serial) return c;
  }
  return nullptr;
}

std::string Agent::clientTag(char direction, TcpConnection& socket) {
  return std::string(1, direction) + "IP:" + socket.remoteAddress() + ":" +
         std::to_string(socket.socketNumber());
}

void Agent::sendToClient(TcpConnection& socket, const std::uint8_t* data, int count) {
  socket.send(data, count);
  if (socket.bytesToWrite() > kMaxClientBacklog) {
    // It has stopped reading: its answers would pile up without end.
    const std::string address = socket.remoteAddress();
    socket.abort();
    log_.setStatusText("OnClientOverflow " + address);
  }
}

void Agent::ServerSocket1Listen() { log_.setStatusText("OnListen"); }
void Agent::ServerSocket1Accept() { log_.setStatusText("OnAccept"); }
void Agent::ServerSocket1GetSocket() { log_.setStatusText("OnGetSocket"); }

void Agent::ServerSocket1ClientConnect(TcpConnection& socket) {
  log_.setStatusText("OnClientConnect " + socket.remoteAddress());
}

void Agent::ServerSocket1ClientDisconnect(TcpConnection& socket) {
  log_.setStatusText("OnClientDisconnect " + socket.remoteAddress());
  for (std::vector<std::uint64_t>* waiting : {&LineStateWaiters, &SwWaiters}) {
    std::erase(*waiting, socket.serial());
  }
}

void Agent::ServerSocket1ClientWrite(TcpConnection&) { log_.setStatusText("OnClientWrite"); }

void Agent::ServerSocket1ClientError(TcpConnection&, int& errorCode) {
  log_.setStatusText("OnClientError");
  errorCode = 0;
}

void Agent::ServerSocket1AcceptError(const std::string& message) {
  // Out of descriptors: wait a little instead of failing the same accept
  // again and again.
  log_.setStatusText("OnAcceptError " + message);
  AcceptResumeTimer->setEnabled(true);
}

}  // namespace norva
