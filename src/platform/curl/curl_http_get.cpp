#include "platform/curl/curl_http_get.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>

namespace tessaly {
namespace {

void GlobalInitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  std::vector<char>* body = nullptr;
  size_t maxBytes = 0;
  bool tooLong = false;
  bool outOfMemory = false;
  std::string date;
  const std::atomic<bool>* cancelled = nullptr;
};

// libcurl calls this at least once a second, also while a server stays silent.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<Transfer*>(user)->cancelled->load() ? 1 : 0;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const size_t n = size * count;
  const size_t room = t.maxBytes - std::min(t.maxBytes, t.body->size());
  const size_t take = std::min(n, room);
  try {
    t.body->insert(t.body->end(), data, data + take);
  } catch (const std::bad_alloc&) {
    t.outOfMemory = true;
    return 0;
  }
  if (take < n) {
    t.tooLong = true;
    return 0;
  }
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const size_t n = size * count;
  static constexpr char kDate[] = "date:";
  const size_t keyLength = sizeof kDate - 1;
  bool isDate = n > keyLength;
  for (size_t i = 0; isDate && i < keyLength; ++i) {
    isDate = std::tolower(static_cast<unsigned char>(data[i])) == kDate[i];
  }
  if (isDate) {
    std::string value(data + keyLength, n - keyLength);
    const size_t first = value.find_first_not_of(" \t");
    const size_t last = value.find_last_not_of(" \t\r\n");
    t.date = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
  }
  return n;
}

}  // namespace

struct CurlHttpGet::Handle {
  CURL* curl = nullptr;
  ~Handle() {
    if (curl) {
      curl_easy_cleanup(curl);
    }
  }
};

int64_t ParseHttpDate(const std::string& text) {
  if (text.empty()) {
    return 0;
  }
  const time_t t = curl_getdate(text.c_str(), nullptr);
  return t < 0 ? 0 : int64_t(t);
}

CurlHttpGet::CurlHttpGet(std::chrono::milliseconds connectTimeout,
                         std::chrono::milliseconds totalTimeout)
    : handle_(std::make_unique<Handle>()),
      connectTimeout_(connectTimeout),
      totalTimeout_(totalTimeout) {
  GlobalInitOnce();
  handle_->curl = curl_easy_init();
}

CurlHttpGet::~CurlHttpGet() = default;

HttpResult CurlHttpGet::Get(const std::string& url, std::vector<char>& body, size_t maxBytes) {
  HttpResult result;
  body.clear();
  CURL* curl = handle_->curl;
  if (!curl) {
    return result;
  }
  Transfer transfer;
  transfer.body = &body;
  transfer.maxBytes = maxBytes;
  transfer.cancelled = &cancelled_;
  if (cancelled_.load()) {
    result.error = "Cancelled";
    return result;
  }

  // Options are set anew for every request; the handle keeps its connection cache.
  curl_easy_reset(curl);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeout_.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(totalTimeout_.count()));
  // A Content-Length past the bound ends the request before the body comes.
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                   curl_off_t(std::min<uint64_t>(maxBytes, INT64_MAX)));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);

  const CURLcode code = curl_easy_perform(curl);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  result.status = status;
  result.date = ParseHttpDate(transfer.date);
  result.ok = code == CURLE_OK;
  if (!result.ok) {
    body.clear();
  }
  if (transfer.tooLong || code == CURLE_FILESIZE_EXCEEDED) {
    result.error = ReplyTooLongError(maxBytes);
  } else if (transfer.outOfMemory) {
    result.error = "Out of memory";
  } else if (!result.ok) {
    // libcurl's name for the error, the system's ("Connection refused") and
    // libcurl's closer account of it.
    result.error = curl_easy_strerror(code);
    long osError = 0;
    if (curl_easy_getinfo(curl, CURLINFO_OS_ERRNO, &osError) == CURLE_OK && osError != 0) {
      result.error += std::string(": ") + std::strerror(int(osError));
    }
    if (errorText[0] != '\0') {
      result.error += std::string(" (") + errorText + ")";
    }
  }
  return result;
}

}  // namespace tessaly
