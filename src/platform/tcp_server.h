#pragma once

#include <cstdint>
#include <string>

namespace norva {

// One accepted client connection. The object lives from accept until the
// disconnect event has been delivered; the agent never keeps a pointer past
// that event.
class TcpConnection {
 public:
  virtual ~TcpConnection() = default;

  // Never given to another connection while the process runs, unlike the
  // socket number, which the system hands to the very next connection.
  virtual std::uint64_t serial() const = 0;
  virtual int socketNumber() const = 0;
  // The peer's address as text: dotted IPv4 for IPv4 peers.
  virtual std::string remoteAddress() const = 0;

  virtual int bytesAvailable() const = 0;
  // Reads up to count bytes; returns the count read (0 or less: nothing).
  virtual int read(std::uint8_t* buffer, int count) = 0;
  // Hands the bytes to the connection; they are sent as the peer takes them.
  virtual void send(const std::uint8_t* data, int count) = 0;
  // Bytes handed to send and not yet taken by the peer.
  virtual std::int64_t bytesToWrite() const = 0;
  // Drops the connection at once; its disconnect event follows later.
  virtual void abort() = 0;

  // The agent's word for this connection: 0 when accepted.
  std::int64_t userData = 0;
};

// What the server reports, on the agent's loop.
class TcpServerEvents {
 public:
  virtual ~TcpServerEvents() = default;
  virtual void ServerSocket1Listen() = 0;
  virtual void ServerSocket1Accept() = 0;
  virtual void ServerSocket1GetSocket() = 0;
  virtual void ServerSocket1ClientConnect(TcpConnection& socket) = 0;
  virtual void ServerSocket1ClientDisconnect(TcpConnection& socket) = 0;
  virtual void ServerSocket1ClientRead(TcpConnection& socket) = 0;
  virtual void ServerSocket1ClientWrite(TcpConnection& socket) = 0;
  // errorCode may be cleared; the connection is closed by the server when
  // the error was on receive.
  virtual void ServerSocket1ClientError(TcpConnection& socket, int& errorCode) = 0;
  // Accepting failed (e.g. no descriptor left); the server has paused
  // accepting until resumeAccepting is called.
  virtual void ServerSocket1AcceptError(const std::string& message) = 0;
};

// The listening socket and its connections.
class TcpServer {
 public:
  virtual ~TcpServer() = default;
  virtual void setEvents(TcpServerEvents* events) = 0;
  virtual void setPort(int port) = 0;
  // Listens at the port on every local address; false with the system's
  // message when that fails.
  virtual bool open(std::string& error) = 0;
  // Ends listening and drops every connection.
  virtual void close() = 0;
  virtual bool active() const = 0;
  virtual void resumeAccepting() = 0;

  // The open connections, in a stable order between events.
  virtual int connectionCount() const = 0;
  virtual TcpConnection* connection(int index) = 0;
};

}  // namespace norva
