#include "platform/win32/win_server_process.h"

#include <windows.h>

namespace tessaly {
namespace {

class WindowsServerProcess final : public ServerProcess {
 public:
  WindowsServerProcess(HANDLE job, HANDLE process, HANDLE output)
      : job_(job), process_(process), output_(output) {}
  ~WindowsServerProcess() override {
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 2000);
    CloseHandle(process_);
    CloseHandle(output_);
    CloseHandle(job_);
  }
  bool Running() override { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

 private:
  HANDLE job_;
  HANDLE process_;
  HANDLE output_;
};

}  // namespace

std::unique_ptr<ServerProcess> StartWindowsServer(const std::wstring& program,
                                                  const std::wstring& arguments,
                                                  std::chrono::milliseconds wait) {
  // Closing the job's last handle, also at a crash of the program, ends the server.
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) {
    return nullptr;
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    CloseHandle(job);
    return nullptr;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  PROCESS_INFORMATION child{};
  const BOOL started =
      CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                     CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &child);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    CloseHandle(job);
    return nullptr;
  }
  AssignProcessToJobObject(job, child.hProcess);
  ResumeThread(child.hThread);
  CloseHandle(child.hThread);
  auto process = std::make_unique<WindowsServerProcess>(job, child.hProcess, readEnd);
  std::string said;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (said.find("listening") == std::string::npos) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr)) {
      return nullptr;  // ended without listening
    }
    if (waiting == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        return nullptr;  // silent: stopped on the way out
      }
      Sleep(20);
      continue;
    }
    char text[256];
    DWORD got = 0;
    if (!ReadFile(readEnd, text, sizeof text, &got, nullptr) || got == 0) {
      return nullptr;
    }
    said.append(text, got);
  }
  return process;
}

}  // namespace tessaly
