#include "platform/qt/qt_tcp_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

namespace norva {

namespace {

// What a client may have sent and the agent not yet read; beyond it the
// socket stops reading and TCP holds the client back.
constexpr qint64 kReadBufferSize = 64 * 1024;

// Peers that vanish without a FIN are found within about two minutes.
void enableKeepAlive(QTcpSocket& socket) {
  socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
  const int fd = static_cast<int>(socket.socketDescriptor());
  const int idle = 60, interval = 10, count = 6;
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

std::string addressText(const QHostAddress& address) {
  bool mapped = false;
  const quint32 v4 = address.toIPv4Address(&mapped);
  if (mapped) return QHostAddress(v4).toString().toStdString();
  return address.toString().toStdString();
}

}  // namespace

class QtTcpConnection : public TcpConnection {
 public:
  QtTcpConnection(QTcpSocket* socket, std::uint64_t serial)
      : socket_(socket),
        serial_(serial),
        number_(static_cast<int>(socket->socketDescriptor())),
        address_(addressText(socket->peerAddress())) {}
  ~QtTcpConnection() override {
    QObject::disconnect(socket_, nullptr, nullptr, nullptr);
    socket_->abort();
    delete socket_;
  }

  std::uint64_t serial() const override { return serial_; }
  int socketNumber() const override { return number_; }
  std::string remoteAddress() const override { return address_; }
  int bytesAvailable() const override {
    return static_cast<int>(std::min<qint64>(socket_->bytesAvailable(), 1 << 30));
  }
  int read(std::uint8_t* buffer, int count) override {
    return static_cast<int>(socket_->read(reinterpret_cast<char*>(buffer), count));
  }
  void send(const std::uint8_t* data, int count) override {
    if (socket_->state() == QAbstractSocket::ConnectedState) {
      socket_->write(reinterpret_cast<const char*>(data), count);
    }
  }
  std::int64_t bytesToWrite() const override { return socket_->bytesToWrite(); }
  void abort() override { socket_->abort(); }

  QTcpSocket* socket() const { return socket_; }

 private:
  QTcpSocket* socket_;
  std::uint64_t serial_;
  int number_;
  std::string address_;  // kept: the peer's address is gone after a disconnect
};

QtTcpServer::QtTcpServer() = default;

QtTcpServer::~QtTcpServer() { close(); }

bool QtTcpServer::open(std::string& error) {
  if (server_.isListening()) return true;
  if (!server_.listen(QHostAddress::Any, static_cast<quint16>(port_))) {
    error = server_.errorString().toStdString();
    return false;
  }
  // QTcpServer would retry a failed accept at once, forever.
  server_.pauseAccepting();
  acceptNotifier_ = std::make_unique<QSocketNotifier>(server_.socketDescriptor(), QSocketNotifier::Read);
  QObject::connect(acceptNotifier_.get(), &QSocketNotifier::activated, [this] { onAcceptReady(); });
  if (events_) events_->ServerSocket1Listen();
  return true;
}

void QtTcpServer::resumeAccepting() {
  if (acceptNotifier_) acceptNotifier_->setEnabled(true);
}

void QtTcpServer::close() {
  acceptNotifier_.reset();
  server_.close();
  connections_.clear();
  departed_.clear();
}

TcpConnection* QtTcpServer::connection(int index) {
  if (index < 0 || index >= connectionCount()) return nullptr;
  return connections_[static_cast<std::size_t>(index)].get();
}

void QtTcpServer::onAcceptReady() {
  const int listener = static_cast<int>(server_.socketDescriptor());
  // A bounded batch per wake-up keeps the rest of the loop responsive.
  for (int batch = 0; batch < 64; ++batch) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      // No descriptor or memory left: quiet until resumeAccepting.
      const std::string message = std::strerror(errno);
      acceptNotifier_->setEnabled(false);
      if (events_) events_->ServerSocket1AcceptError(message);
      return;
    }
    auto* socket = new QTcpSocket;
    if (!socket->setSocketDescriptor(fd)) {
      ::close(fd);
      delete socket;
      continue;
    }
    adopt(socket);
  }
}

void QtTcpServer::adopt(QTcpSocket* socket) {
  if (events_) {
    events_->ServerSocket1GetSocket();
    events_->ServerSocket1Accept();
  }
  enableKeepAlive(*socket);
  socket->setReadBufferSize(kReadBufferSize);
  auto owned = std::make_unique<QtTcpConnection>(socket, nextSerial_++);
  QtTcpConnection* c = owned.get();
  connections_.push_back(std::move(owned));
  QObject::connect(socket, &QTcpSocket::readyRead, [this, c] {
    if (events_) events_->ServerSocket1ClientRead(*c);
  });
  QObject::connect(socket, &QTcpSocket::bytesWritten, [this, c](qint64) {
    if (events_) events_->ServerSocket1ClientWrite(*c);
  });
  QObject::connect(socket, &QTcpSocket::errorOccurred, [this, c](QAbstractSocket::SocketError e) {
    // The peer closing is a disconnect, not an error.
    if (e == QAbstractSocket::RemoteHostClosedError || !events_) return;
    int code = static_cast<int>(e);
    events_->ServerSocket1ClientError(*c, code);
  });
  QObject::connect(socket, &QTcpSocket::disconnected, [this, c] { onDisconnected(c); });
  if (events_) events_->ServerSocket1ClientConnect(*c);
}

void QtTcpServer::onDisconnected(QtTcpConnection* c) {
  const auto it = std::find_if(connections_.begin(), connections_.end(),
                               [c](const auto& p) { return p.get() == c; });
  if (it == connections_.end()) return;
  std::unique_ptr<QtTcpConnection> gone = std::move(*it);
  connections_.erase(it);
  if (events_) events_->ServerSocket1ClientDisconnect(*gone);
  bury(std::move(gone));
}

void QtTcpServer::bury(std::unique_ptr<QtTcpConnection> c) {
  // A handler further up the stack may still hold it: free it once the loop
  // is back.
  const bool first = departed_.empty();
  departed_.push_back(std::move(c));
  if (first) QTimer::singleShot(0, &server_, [this] { departed_.clear(); });
}

}  // namespace norva
