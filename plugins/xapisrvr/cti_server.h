#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "cti_settings.h"
#include "xapi/xapi_records.h"

namespace xapisrvr {

// The CTI server: a TCP port speaking newline-delimited JSON. The agent's
// feeds (any thread, each returns at once) update the picture and are pushed
// to every client; a client's command is kept under a number and announced
// through `post`, and the agent collects it with takeCommand. All socket
// work happens on the server's own thread; a client that does not read is
// dropped once its unsent output passes the settings' bound.
class CtiServer {
 public:
  using Post = std::function<void(std::intptr_t lParam)>;

  static constexpr std::size_t kMaxLine = 8 * 1024;      // one command from a client
  static constexpr std::size_t kMaxPendingCommands = 256;

  explicit CtiServer(CtiSettings settings);
  ~CtiServer();
  CtiServer(const CtiServer&) = delete;
  CtiServer& operator=(const CtiServer&) = delete;

  // Listens and starts the thread; false (with the reason) when it cannot listen.
  bool start(Post post, std::string* error = nullptr);
  // Closes every connection and joins the thread.
  void stop();
  int port() const { return port_; }

  void putLines(int count, const char* lines);
  void putInfo(const std::uint8_t* info7);
  void putStates(int count, const std::uint8_t* records);
  void putClip(int line, const char* number);
  void putFront(int lineOffset, const std::uint8_t* data, int length);
  void putAccLine(const char* text);

  // The command posted under lParam, acknowledged to its client now. An
  // unknown number gives a record with code 255, which the agent ignores.
  void takeCommand(int lParam, TStates* out);

 private:
  struct Client {
    int fd = -1;
    std::string in;
    std::string out;         // unsent bytes
    bool closing = false;    // drop at the next turn of the loop
  };
  struct Pending {
    TStates record{};
    std::uint64_t client = 0;
    nlohmann::json id;
    std::string command;
  };

  void run();
  void wake();
  // False when the system has no descriptor (or memory) left for a client.
  bool acceptClients();
  void readClient(std::uint64_t id, Client& c, std::vector<std::pair<std::uint64_t, std::string>>& lines);
  void writeClient(Client& c);
  // Must hold mutex_.
  void sendLocked(Client& c, const nlohmann::json& message);
  void queueLocked(Client& c, const std::string& line);
  void broadcastLocked(const nlohmann::json& message);
  void sendPictureLocked(Client& c);
  nlohmann::json statesLocked(const std::vector<int>* only) const;
  // Outside the lock: a command line from a client; the lParam to post, if any.
  std::optional<std::intptr_t> handleLine(std::uint64_t client, const std::string& line);

  CtiSettings settings_;
  Post post_;
  int listenFd_ = -1;
  int wakeRead_ = -1, wakeWrite_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;

  mutable std::mutex mutex_;
  std::map<std::uint64_t, Client> clients_;
  std::uint64_t nextClient_ = 1;
  std::map<int, Pending> pending_;
  int nextParam_ = 1;
  // The picture a client gets on connecting.
  std::optional<nlohmann::json> info_, lines_, front_;
  std::optional<std::vector<std::array<std::uint8_t, 4>>> states_;
  std::map<int, std::string> callers_;  // the latest caller number of each line
};

}  // namespace xapisrvr
