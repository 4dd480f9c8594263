// What the mail gateway library reads from outside: message files in the
// mailboxes and its own spool files. Neither may crash it, and a message
// built from a spool entry keeps its lines within the limits of mail.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "maildir.h"
#include "mime.h"
#include "spool.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  agentz4::messageTypeOf(text);
  agentz4::SpoolEntry e;
  if (agentz4::decodeEntry(text, e)) {
    const std::string m = agentz4::buildMessage(e, "a@b", "c@d", "id@x", 0);
    const std::size_t body = m.find("\r\n\r\n");
    if (body == std::string::npos) std::abort();
    for (std::size_t p = body + 4, end; p < m.size(); p = end + 2) {
      end = m.find("\r\n", p);
      if (end == std::string::npos || end - p > 76) std::abort();
    }
  }
  return 0;
}
