#pragma once

#include <QSocketNotifier>
#include <QTcpServer>
#include <memory>
#include <vector>

#include "platform/tcp_server.h"

class QTcpSocket;

namespace norva {

class QtTcpConnection;

// The gateway's server: QTcpServer binds and listens, the accepting is ours,
// so that a failed accept (no descriptor left) stops the listening socket's
// notifier instead of being retried at once forever. Events are forwarded
// as they come; a connection object outlives its disconnect event until the
// loop is idle again, so a handler that drops a connection can still finish
// with it.
class QtTcpServer : public TcpServer {
 public:
  QtTcpServer();
  ~QtTcpServer() override;

  void setEvents(TcpServerEvents* events) override { events_ = events; }
  void setPort(int port) override { port_ = port; }
  bool open(std::string& error) override;
  void close() override;
  bool active() const override { return server_.isListening(); }
  void resumeAccepting() override;
  int connectionCount() const override { return static_cast<int>(connections_.size()); }
  TcpConnection* connection(int index) override;

 private:
  void onAcceptReady();
  void adopt(QTcpSocket* socket);
  void onDisconnected(QtTcpConnection* c);
  void bury(std::unique_ptr<QtTcpConnection> c);

  QTcpServer server_;
  std::unique_ptr<QSocketNotifier> acceptNotifier_;
  TcpServerEvents* events_ = nullptr;
  int port_ = 0;
  std::uint64_t nextSerial_ = 1;
  std::vector<std::unique_ptr<QtTcpConnection>> connections_;
  std::vector<std::unique_ptr<QtTcpConnection>> departed_;
};

}  // namespace norva
