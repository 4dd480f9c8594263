#include "cti_settings.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "core/text_util.h"

namespace xapisrvr {

using norva::equalsNoCase;
using norva::trim;

namespace {

bool parseInt(std::string_view s, long long lo, long long hi, long long& out) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
  out = v;
  return true;
}

}  // namespace

bool Network::contains(std::uint32_t a) const {
  const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
  return (a & mask) == (address & mask);
}

bool CtiSettings::allows(std::uint32_t address) const {
  return std::any_of(allow.begin(), allow.end(),
                     [&](const Network& n) { return n.contains(address); });
}

bool parseAddress(const std::string& text, std::uint32_t& out) {
  std::uint32_t a = 0;
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = part < 3 ? text.find('.', at) : text.size();
    if (dot == std::string::npos || dot == at || dot - at > 3) return false;
    long long v = 0;
    if (!parseInt(text.substr(at, dot - at), 0, 255, v)) return false;
    a = (a << 8) | static_cast<std::uint32_t>(v);
    at = dot + 1;
  }
  out = a;
  return true;
}

bool parseNetwork(const std::string& text, Network& out) {
  const std::size_t slash = text.find('/');
  Network n;
  if (!parseAddress(text.substr(0, slash), n.address)) return false;
  if (slash != std::string::npos) {
    long long p = 0;
    if (!parseInt(text.substr(slash + 1), 0, 32, p)) return false;
    n.prefix = static_cast<int>(p);
  }
  out = n;
  return true;
}

CtiSettings parseCtiSettings(const std::string& content, std::vector<std::string>* problems) {
  CtiSettings s;
  const auto complain = [&](const std::string& key) {
    if (problems != nullptr) problems->push_back(key);
  };
  std::istringstream in(content);
  std::string line;
  bool inServer = false;
  while (std::getline(in, line)) {
    const std::string_view l = trim(line);
    if (l.empty() || l[0] == ';' || l[0] == '#') continue;
    if (l[0] == '[') {
      inServer = equalsNoCase(l, "[server]");
      continue;
    }
    const std::size_t eq = l.find('=');
    if (!inServer || eq == std::string_view::npos) continue;
    const std::string_view key = trim(l.substr(0, eq));
    const std::string value(trim(l.substr(eq + 1)));
    long long v = 0;
    if (equalsNoCase(key, "listen")) {
      std::uint32_t a = 0;
      if (parseAddress(value, a)) s.listen = value; else complain("Listen");
    } else if (equalsNoCase(key, "port")) {
      if (parseInt(value, 0, 65535, v)) s.port = static_cast<int>(v); else complain("Port");
    } else if (equalsNoCase(key, "allow")) {
      std::vector<Network> allow;
      std::string item;
      std::istringstream items(value);
      bool ok = true;
      while (std::getline(items, item, ',')) {
        const std::string network(trim(item));
        if (network.empty()) continue;
        Network n;
        if (parseNetwork(network, n)) allow.push_back(n); else ok = false;
      }
      if (ok) s.allow = allow; else complain("Allow");
    } else if (equalsNoCase(key, "maxclients")) {
      if (parseInt(value, 1, 1024, v)) s.maxClients = static_cast<std::size_t>(v);
      else complain("MaxClients");
    } else if (equalsNoCase(key, "maxqueuekb")) {
      if (parseInt(value, 1, 1024 * 1024, v)) s.maxQueueBytes = static_cast<std::size_t>(v) * 1024;
      else complain("MaxQueueKB");
    }
  }
  return s;
}

CtiSettings readCtiSettings(const std::string& path, std::vector<std::string>* problems) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return CtiSettings{};
  std::ostringstream content;
  content << in.rdbuf();
  return parseCtiSettings(content.str(), problems);
}

}  // namespace xapisrvr
