#pragma once

namespace norva {

// The switches of section Log: which kinds of lines reach the log list.
// Callers test them; the log itself writes whatever it is given.
struct LogCategories {
  bool comIn = true;       // answers carrying data, local answers
  bool comPureIn = true;   // answers without data, acknowledgements
  bool comOut = false;     // client requests forwarded to the PBX
  bool comLocOut = false;  // every packet sent, the agent's own requests
  bool tcpIpIn = true;     // requests from network clients
  bool tcpIpOut = false;   // answers to network clients
  bool extent = false;     // detail of the mailbox relay
};

}  // namespace norva
