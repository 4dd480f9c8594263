#include "smtp_transport.h"

#include <curl/curl.h>

#include <cstring>

namespace agentz4 {

namespace {

struct Upload {
  const std::string& text;
  std::size_t pos = 0;
};

std::size_t readUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto* u = static_cast<Upload*>(user);
  const std::size_t n = std::min(size * count, u->text.size() - u->pos);
  std::memcpy(buffer, u->text.data() + u->pos, n);
  u->pos += n;
  return n;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

}  // namespace

SmtpTransport::SmtpTransport(SmtpConfig config, std::string user, std::string password)
    : config_(std::move(config)), user_(std::move(user)), password_(std::move(password)) {}

Transport::Result SmtpTransport::send(const std::string& from, const std::string& to,
                                      const std::string& message, const std::atomic<bool>& stop,
                                      std::string& detail) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    detail = "libcurl could not start";
    return Result::Retry;
  }
  Upload upload{message};
  curl_slist* recipients = curl_slist_append(nullptr, ("<" + to + ">").c_str());
  const std::string sender = "<" + from + ">";
  char error[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_URL, config_.url.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, sender.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, readUpload);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  // A thread of a library must not take signals for its time-outs.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(config_.timeoutSeconds));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(config_.timeoutSeconds) * 4);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &stop);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  if (config_.startTls) curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  if (!user_.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password_.c_str());
  }
  const CURLcode rc = curl_easy_perform(curl);
  long code = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
  curl_slist_free_all(recipients);
  curl_easy_cleanup(curl);
  if (rc == CURLE_OK) return Result::Sent;
  detail = (error[0] != 0 ? std::string(error) : std::string(curl_easy_strerror(rc))) +
           (code != 0 ? " (" + std::to_string(code) + ")" : "");
  // A 5xx reply is final; everything else (no connection, 4xx, a stop) may pass.
  // A refused login is the configuration's fault, not the message's.
  const bool connectionLevel = rc == CURLE_LOGIN_DENIED || rc == CURLE_ABORTED_BY_CALLBACK ||
                               rc == CURLE_COULDNT_CONNECT || rc == CURLE_OPERATION_TIMEDOUT ||
                               rc == CURLE_USE_SSL_FAILED;
  if (code >= 500 && code < 600 && !connectionLevel) return Result::Reject;
  return Result::Retry;
}

}  // namespace agentz4
