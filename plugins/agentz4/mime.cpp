#include "mime.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace agentz4 {

namespace {

bool plainAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 32 && u < 127;
  });
}

std::string base64(const std::string& in) {
  static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(in[i]) << 16 |
                       static_cast<unsigned char>(in[i + 1]) << 8 |
                       static_cast<unsigned char>(in[i + 2]);
    out += t[v >> 18 & 63];
    out += t[v >> 12 & 63];
    out += t[v >> 6 & 63];
    out += t[v & 63];
  }
  if (i < in.size()) {
    unsigned v = static_cast<unsigned char>(in[i]) << 16;
    if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
    out += t[v >> 18 & 63];
    out += t[v >> 12 & 63];
    out += i + 1 < in.size() ? t[v >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

std::string withoutSpace(const std::string& s) {
  std::string out;
  for (const char c : s) {
    if (!std::isspace(static_cast<unsigned char>(c))) out += c;
  }
  return out;
}

}  // namespace

bool plainAddress(const std::string& a) {
  const auto at = a.find('@');
  if (at == std::string::npos || at == 0 || at + 1 >= a.size() || a.find('@', at + 1) != std::string::npos) {
    return false;
  }
  return std::all_of(a.begin(), a.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 32 && u < 127 && c != '<' && c != '>' && c != ',' && c != '"' && c != '(' &&
           c != ')' && c != ';' && c != '\\';
  });
}

std::string routeOf(const SpoolEntry& e, const std::map<char, std::string>& routes,
                    std::string& reason) {
  std::string address;
  const auto route = routes.find(e.type);
  if (e.type == 'I' && route == routes.end()) {
    address = withoutSpace(e.recipient);
  } else if (route == routes.end()) {
    reason = std::string("no route for address type '") + e.type + "'";
    return {};
  } else {
    address = route->second;
    const auto at = address.find("%s");
    if (at != std::string::npos) address.replace(at, 2, withoutSpace(e.recipient));
  }
  if (!plainAddress(address)) {
    reason = "not a mail address: '" + address + "'";
    return {};
  }
  return address;
}

std::string encodedWords(const std::string& text) {
  if (plainAscii(text)) return text;
  // 39 bytes make 52 characters of base64: each word stays within 75.
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += 39) {
    if (!out.empty()) out += "\r\n ";
    out += "=?windows-1250?B?" + base64(text.substr(i, 39)) + "?=";
  }
  return out;
}

std::string quotedPrintable(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out, line;
  const auto softBreak = [&] {
    out += line + "=\r\n";
    line.clear();
  };
  // White space before a line end is encoded, or it would be lost; the
  // encoded form may need a soft break of its own to stay within 76.
  const auto endLine = [&] {
    if (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
      const auto last = static_cast<unsigned char>(line.back());
      line.pop_back();
      if (line.size() + 3 > 76) softBreak();
      line += '=';
      line += hex[last >> 4];
      line += hex[last & 15];
    }
    out += line + "\r\n";
    line.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      endLine();
      continue;
    }
    std::string piece;
    if ((c >= 33 && c <= 126 && c != '=') || c == ' ' || c == '\t') {
      piece = static_cast<char>(c);
    } else {
      piece = {'=', hex[c >> 4], hex[c & 15]};
    }
    // 75 characters and the "=" of a soft break make the longest line.
    if (line.size() + piece.size() > 75) softBreak();
    line += piece;
  }
  if (!line.empty()) endLine();
  return out;
}

std::string buildMessage(const SpoolEntry& e, const std::string& from, const std::string& to,
                         const std::string& messageId, std::time_t date) {
  // Day and month names in English whatever the process's locale.
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm {};
  localtime_r(&date, &tm);
  char zone[16];
  std::strftime(zone, sizeof zone, "%z", &tm);
  char when[64];
  std::snprintf(when, sizeof when, "%s, %02d %s %04d %02d:%02d:%02d %s", days[tm.tm_wday % 7],
                tm.tm_mday, months[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                tm.tm_sec, zone);
  std::string m;
  m += "From: " + from + "\r\n";
  m += "To: " + to + "\r\n";
  m += "Subject: " + encodedWords(e.subject) + "\r\n";
  m += std::string("Date: ") + when + "\r\n";
  m += "Message-ID: <" + messageId + ">\r\n";
  m += "MIME-Version: 1.0\r\n";
  m += "Content-Type: text/plain; charset=windows-1250\r\n";
  m += "Content-Transfer-Encoding: quoted-printable\r\n";
  m += std::string("X-Norva-Address-Type: ") + e.type + "\r\n";
  if (plainAscii(e.recipient)) m += "X-Norva-Recipient: " + e.recipient + "\r\n";
  m += "\r\n";
  m += quotedPrintable(e.body);
  return m;
}

}  // namespace agentz4
