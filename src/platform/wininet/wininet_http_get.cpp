#include "platform/wininet/wininet_http_get.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/wintext/win_text.h"
#include "samples/utc_time.h"

namespace tessaly {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Bytes asked of one InternetReadFile.
constexpr size_t kReadPiece = 64 * 1024;

// Our words for the failures a data request meets, where the system has none.
const char* OwnWords(DWORD code) {
  switch (code) {
    case ERROR_INTERNET_TIMEOUT:
      return "The operation timed out";
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
      return "The URL is not valid";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
      return "The server name could not be resolved";
    case ERROR_INTERNET_CANNOT_CONNECT:
      return "Could not connect to the server";
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
      return "The connection to the server was lost";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
      return "The server's reply could not be read";
    default:
      return "The request failed";
  }
}

// WinINet's own account of an error code, with the code itself.
std::string ErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                     FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 GetModuleHandleW(L"wininet.dll"), code, 0,
                                 reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::string words;
  if (n > 0 && text != nullptr) {
    words = Narrow(text);
  }
  if (text != nullptr) {
    LocalFree(text);
  }
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.' ||
                            words.back() == ' ')) {
    words.pop_back();
  }
  if (words.empty()) {
    words = OwnWords(code);
  }
  return words + " (WinINet error " + std::to_string(code) + ")";
}

void SetTimeout(HINTERNET handle, DWORD option, std::chrono::milliseconds ms) {
  DWORD value = DWORD(std::clamp<int64_t>(ms.count(), 1, 0x7FFFFFFF));
  InternetSetOptionW(handle, option, &value, sizeof value);
}

// The Date header as UTC seconds, 0 when absent or unreadable.
int64_t ReplyDate(HINTERNET request) {
  SYSTEMTIME date{};
  DWORD size = sizeof date;
  if (!HttpQueryInfoW(request, HTTP_QUERY_DATE | HTTP_QUERY_FLAG_SYSTEMTIME, &date, &size,
                      nullptr) ||
      date.wYear < 1970) {
    return 0;
  }
  return MakeUtc(date.wYear, date.wMonth, date.wDay, date.wHour, date.wMinute, date.wSecond);
}

// A numeric header, or -1 when absent.
int64_t NumberHeader(HINTERNET request, DWORD query) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (!HttpQueryInfoW(request, query | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) {
    return -1;
  }
  return value;
}

struct Handle {
  HINTERNET handle = nullptr;
  ~Handle() {
    if (handle != nullptr) {
      InternetCloseHandle(handle);
    }
  }
};

}  // namespace

struct WinInetShared {
  std::mutex mutex;
  std::condition_variable changed;
  bool cancelled = false;
  HINTERNET active = nullptr;   // the request in progress
  bool closedByCancel = false;  // Cancel closed active
};

WinInetHttpGet::WinInetHttpGet(std::chrono::milliseconds connectTimeout,
                               std::chrono::milliseconds totalTimeout)
    : shared_(std::make_shared<WinInetShared>()),
      connectTimeout_(connectTimeout),
      totalTimeout_(totalTimeout) {
  // The system's proxy settings apply, as in any other program.
  session_ =
      InternetOpenW(Widen(kUserAgent).c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session_ == nullptr) {
    openError_ = ErrorText(GetLastError());
  }
}

void WinInetHttpGet::Cancel() {
  std::lock_guard lock(shared_->mutex);
  shared_->cancelled = true;
  if (shared_->active != nullptr && !shared_->closedByCancel) {
    // Ends the blocked call on Windows; where it does not, Get stops waiting anyway.
    InternetCloseHandle(shared_->active);
    shared_->closedByCancel = true;
  }
  shared_->changed.notify_all();
}

WinInetHttpGet::~WinInetHttpGet() {
  if (session_ != nullptr) {
    InternetCloseHandle(session_);
  }
}

// One request from start to end, blocking; on a thread of its own so that a
// cancelled Get need not wait for it.
static HttpResult Exchange(WinInetShared& shared, HINTERNET session,
                           std::chrono::milliseconds connectTimeout,
                           std::chrono::milliseconds totalTimeout, const std::string& url,
                           std::vector<char>& body, size_t maxBytes) {
  HttpResult result;
  const auto deadline = SteadyClock::now() + totalTimeout;
  const std::wstring wideUrl = Widen(url);
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;  // point into url
  if (!InternetCrackUrlW(wideUrl.c_str(), 0, 0, &parts)) {
    result.error = ErrorText(GetLastError());
    return result;
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  Handle connection;
  connection.handle = InternetConnectW(session, host.c_str(), parts.nPort, nullptr, nullptr,
                                       INTERNET_SERVICE_HTTP, 0, 0);
  if (connection.handle == nullptr) {
    result.error = ErrorText(GetLastError());
    return result;
  }
  // Always from the server: the data of a stretch changes while it is recent.
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) {
    flags |= INTERNET_FLAG_SECURE;
  }
  Handle request;
  request.handle = HttpOpenRequestW(connection.handle, L"GET", object.c_str(), nullptr, nullptr,
                                    nullptr, flags, 0);
  if (request.handle == nullptr) {
    result.error = ErrorText(GetLastError());
    return result;
  }
  // Cancel closes the request while this thread blocks on it; it is then not closed again.
  {
    std::lock_guard lock(shared.mutex);
    if (shared.cancelled) {  // no one waits for the answer any more
      result.error = "Cancelled";
      return result;
    }
    shared.active = request.handle;
    shared.closedByCancel = false;
  }
  struct Release {
    WinInetShared& shared;
    HINTERNET& request;
    ~Release() {
      std::lock_guard lock(shared.mutex);
      if (shared.closedByCancel) {
        request = nullptr;
      }
      shared.active = nullptr;
    }
  } release{shared, request.handle};
  // On the request itself: not every WinINet passes a session's time-outs on.
  SetTimeout(request.handle, INTERNET_OPTION_CONNECT_TIMEOUT,
             std::min(connectTimeout, totalTimeout));
  SetTimeout(request.handle, INTERNET_OPTION_SEND_TIMEOUT, totalTimeout);
  SetTimeout(request.handle, INTERNET_OPTION_RECEIVE_TIMEOUT, totalTimeout);
  // Some WinINets report a receive time-out as a dropped connection: past the
  // deadline, the time-out is the cause.
  const auto failure = [&deadline](DWORD code) {
    return ErrorText(SteadyClock::now() >= deadline ? DWORD(ERROR_INTERNET_TIMEOUT) : code);
  };
  if (!HttpSendRequestW(request.handle, nullptr, 0, nullptr, 0)) {
    result.error = failure(GetLastError());
    return result;
  }
  result.status = long(std::max<int64_t>(NumberHeader(request.handle, HTTP_QUERY_STATUS_CODE), 0));
  result.date = ReplyDate(request.handle);
  const int64_t length = NumberHeader(request.handle, HTTP_QUERY_CONTENT_LENGTH);
  // A Content-Length past the bound ends the request before the body comes.
  if (length >= 0 && uint64_t(length) > maxBytes) {
    result.error = ReplyTooLongError(maxBytes);
    return result;
  }

  // One byte past the bound tells a reply that ends there from a longer one.
  const size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
  try {
    while (body.size() < limit) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
      if (left.count() <= 0) {
        result.error = ErrorText(ERROR_INTERNET_TIMEOUT);
        body.clear();
        return result;
      }
      SetTimeout(request.handle, INTERNET_OPTION_RECEIVE_TIMEOUT, left);
      const size_t have = body.size();
      const size_t want = std::min(kReadPiece, limit - have);
      body.resize(have + want);
      DWORD got = 0;
      if (!InternetReadFile(request.handle, body.data() + have, DWORD(want), &got)) {
        result.error = failure(GetLastError());
        body.clear();
        return result;
      }
      body.resize(have + got);
      if (got == 0) {
        break;
      }
    }
  } catch (const std::bad_alloc&) {
    result.error = "Out of memory";
    body.clear();
    return result;
  }
  if (body.size() > maxBytes) {
    result.error = ReplyTooLongError(maxBytes);
    body.clear();
    return result;
  }
  // A reply cut short of its announced length is not the server's whole answer.
  if (length >= 0 && int64_t(body.size()) < length) {
    result.error = "The server's reply ended after " + std::to_string(body.size()) + " of " +
                   std::to_string(length) + " bytes";
    body.clear();
    return result;
  }
  result.ok = true;
  return result;
}

HttpResult WinInetHttpGet::Get(const std::string& url, std::vector<char>& body, size_t maxBytes) {
  HttpResult result;
  body.clear();
  if (session_ == nullptr) {
    result.error = openError_;
    return result;
  }
  struct Call {
    std::string url;
    size_t maxBytes = 0;
    std::vector<char> body;
    HttpResult result;
    bool done = false;
  };
  auto call = std::make_shared<Call>();
  call->url = url;
  call->maxBytes = maxBytes;
  call->body.swap(body);  // keeps the caller's capacity
  std::unique_lock lock(shared_->mutex);
  if (shared_->cancelled) {
    result.error = "Cancelled";
    return result;
  }
  // The thread shares the call and the cancel state, so a Get that stops
  // waiting (or an adapter that is gone) leaves it nothing dangling.
  try {
    std::thread([shared = shared_, call, session = session_, connect = connectTimeout_,
                 total = totalTimeout_] {
      HttpResult outcome =
          Exchange(*shared, session, connect, total, call->url, call->body, call->maxBytes);
      std::lock_guard done(shared->mutex);
      call->result = std::move(outcome);
      call->done = true;
      shared->changed.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    lock.unlock();
    return Exchange(*shared_, session_, connectTimeout_, totalTimeout_, url, body, maxBytes);
  }
  shared_->changed.wait(lock, [&] { return call->done || shared_->cancelled; });
  if (!call->done) {
    result.error = "Cancelled";
    return result;
  }
  body.swap(call->body);
  return call->result;
}

}  // namespace tessaly
