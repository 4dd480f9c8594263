#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <string>

#include "spool.h"

namespace agentz4 {

// The mail address an entry goes to: 'I' is an address itself; the other
// types go through their template of section Routes ("%s" = the recipient,
// white space removed). Empty, with the reason, when there is none.
std::string routeOf(const SpoolEntry& e, const std::map<char, std::string>& routes,
                    std::string& reason);
// A plain address: local@domain, printable ASCII, no white space or brackets.
bool plainAddress(const std::string& address);

// The whole message, CRLF line ends: the Windows-1250 subject as encoded
// words, the body as quoted-printable text with its charset declared.
std::string buildMessage(const SpoolEntry& e, const std::string& from, const std::string& to,
                         const std::string& messageId, std::time_t date);

std::string encodedWords(const std::string& text);  // =?windows-1250?B?...?=, or as is when ASCII
std::string quotedPrintable(const std::string& text);

}  // namespace agentz4
