#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xapisrvr {

// An IPv4 network: an address and the length of its prefix.
struct Network {
  std::uint32_t address = 0;  // host order
  int prefix = 32;
  bool contains(std::uint32_t a) const;
};

// How the server listens and whom it lets in.
struct CtiSettings {
  std::string listen = "127.0.0.1";
  int port = 1240;                      // 0: any free port (tests)
  std::vector<Network> allow = {{0x7F000001u, 32}};
  std::size_t maxClients = 16;
  std::size_t maxQueueBytes = 1024 * 1024;  // unsent bytes per client before it is dropped

  bool allows(std::uint32_t address) const;
};

// "10.0.0.0/8", "192.168.1.5"; false for anything else.
bool parseNetwork(const std::string& text, Network& out);
bool parseAddress(const std::string& text, std::uint32_t& out);

// Section [Server] of the file; a missing file or key keeps the default, a
// value that does not parse too (each is named in `problems`).
CtiSettings readCtiSettings(const std::string& path, std::vector<std::string>* problems = nullptr);
CtiSettings parseCtiSettings(const std::string& content, std::vector<std::string>* problems = nullptr);

}  // namespace xapisrvr
