// libcurl, one easy handle per fetch; fetches are rare (one per source per refresh interval).
#include "url_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

#include "document_charset.h"

namespace {

struct Transfer {
  std::string* body;
  size_t maxBytes;
  bool tooLarge = false;
  const std::atomic<bool>* cancel;
};

size_t Receive(char* data, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  const size_t bytes = size * count;
  if (transfer->body->size() + bytes > transfer->maxBytes) {
    transfer->tooLarge = true;
    return 0;  // anything but `bytes` makes libcurl give up
  }
  transfer->body->append(data, bytes);
  return bytes;
}

int Progress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* transfer = static_cast<const Transfer*>(context);
  return transfer->cancel != nullptr && transfer->cancel->load() ? 1 : 0;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

}  // namespace

bool FetchUrl(const std::string& url, const FetchLimits& limits, const std::atomic<bool>* cancel,
              std::string* body, std::string* error, std::string* charset) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  body->clear();
  if (charset != nullptr) charset->clear();
  if (!StartsWith(url, "http://") && !StartsWith(url, "https://")) {
    *error = "not an http or https address";
    return false;
  }
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    *error = "libcurl could not start a transfer";
    return false;
  }
  Transfer transfer{body, limits.maxBytes, false, cancel};
  char curlError[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.timeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, std::min(limits.timeoutSeconds, 10L));
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // timeouts without signals: threads are about
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");  // the size limit counts decoded bytes
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Newsrail-content-server/1.0");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);

  const CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  // The last answer's header, after any redirects; libcurl owns the text until cleanup.
  const char* contentType = nullptr;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
  if (charset != nullptr && contentType != nullptr) *charset = CharsetFromContentType(contentType);
  curl_easy_cleanup(curl);

  if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
    *error = "larger than " + std::to_string(limits.maxBytes) + " bytes";
  } else if (result == CURLE_ABORTED_BY_CALLBACK) {
    *error = "cancelled";
  } else if (result != CURLE_OK) {
    *error = curlError[0] != '\0' ? curlError : curl_easy_strerror(result);
  } else if (status < 200 || status > 299) {
    *error = "HTTP status " + std::to_string(status);
  } else {
    return true;
  }
  body->clear();
  return false;
}
