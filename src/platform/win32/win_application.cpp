#include "platform/win32/win_application.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "platform/stb/stb_png_writer.h"
#include "platform/win32/win_big_hint.h"
#include "platform/win32/win_data_server.h"
#include "platform/win32/win_export.h"
#include "platform/win32/win_frame.h"
#include "platform/win32/win_server_process.h"
#include "platform/win32/win_stats_window.h"
#include "platform/wininet/wininet_http_get.h"
#include "platform/winmm/winmm_wave_out.h"
#include "platform/wintext/win_text.h"
#include "samples/background_fetch.h"
#include "samples/clock.h"
#include "samples/sample_store.h"
#include "samples/server_source.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "settings/settings_path.h"
#include "shell/big_hint_logic.h"
#include "shell/dialog_template.h"
#include "shell/local_server.h"
#include "shell/program_core.h"
#include "sound/player.h"
#include "views/dialog_events.h"
#include "views/main_dialog.h"
#include "views/playback_engine.h"

namespace tessaly {

bool HelpIsEnglish() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_RUSSIAN;
}

// The data server of a first start: the tessaly-replay.exe beside the program,
// or the build tree's when run from a build.
std::unique_ptr<ServerProcess> StartReplayBeside(const std::wstring& folder) {
  for (const std::wstring& path :
       {folder + L"tessaly-replay.exe", folder + L"tools\\replay\\tessaly-replay.exe"}) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      return StartWindowsServer(path,
                                L"--address 127.0.0.1 --port " + Widen(PortOf(DefaultServerHost())),
                                std::chrono::seconds(5));
    }
  }
  return nullptr;
}

// The frame operations the dialog asks for.
class WinShell final : public AppShell {
 public:
  explicit WinShell(Application& app) : app_(app) {}
  void LayoutFrame(bool view2Shown) override { app_.frame_->Layout(view2Shown); }
  void ShowHelp(int) override { app_.ShowHelp(); }

 private:
  Application& app_;
};

Application::Application(std::wstring programFolder)
    : programFolder_(std::move(programFolder)), englishHelp_(HelpIsEnglish()) {
  settingsPath_ = SettingsFilePath(SystemPathEnvironment(Narrow(programFolder_)));
  ProgramAdapters adapters;
  adapters.http = std::make_unique<WinInetHttpGet>();
  adapters.liveHttp = std::make_unique<WinInetHttpGet>();
  ServeFirstStart(adapters, [folder = programFolder_] { return StartReplayBeside(folder); });
  adapters.waveOut = std::make_unique<WinMmWaveOut>();
  core_ = std::make_unique<ProgramCore>(settingsPath_, std::move(adapters));

  frame_ = std::make_unique<WinFrame>();
  if (!Ok()) {
    return;  // the destructor writes the settings back unchanged
  }
  SetWindowTextW(frame_->Window(), Widen(FrameTitle(core_->settings().serverHost)).c_str());
  shell_ = std::make_unique<WinShell>(*this);
  dialog_ = std::make_unique<CMainDialog>(core_->Parts(frame_->Dialog(), shell_.get()));
  core_->SetFailureSink(dialog_.get());
  core_->ini().Read();
  Wire();

  dialog_->Construct();
  // The views' surfaces never move after construction.
  WinDialog& controls = *frame_->Dialog();
  for (const ControlTemplate& control : MainDialogControls()) {
    if (control.kind == ControlKind::kPicture) {
      controls.SetPictureSource(control.id, dialog_->RasterFor(control.id));
    }
  }
  frame_->SetSavedPosition(core_->ini().x, core_->ini().y);
  dialog_->ShowView2(core_->settings().view2 != 0);
  frame_->Layout(core_->settings().view2 != 0);
}

void Application::Wire() {
  WinDialog& controls = *frame_->Dialog();
  CMainDialog& d = *dialog_;
  ConnectMainDialog(controls, d, [this] { frame_->Destroy(); });
  frame_->onCloseRequest = [this, &d] {
    // The views must outlive a running save: end it first, then close.
    if (export_ && export_->CancelRunningSave()) {
      PostMessageW(frame_->Window(), WM_CLOSE, 0, 0);
      return;
    }
    d.OnCommand(kIdExit, NotifyCode::kClicked);
  };
  frame_->onDestroy = [this] { OnFrameDestroyed(); };
  // While a view waits for its data, the menu items that read the views or
  // use their connection are ignored.
  frame_->onDataServer = [this] {
    if (!dialog_->RequestRunning()) {
      ChooseDataServer();
    }
  };
  // The check shows what the view does: a view waiting for its data ignores the choice.
  frame_->onFollowLive = [this, &d](int view, bool on) {
    d.SetFollowLive(view, on);
    frame_->SetFollowLiveChecked(view, core_->settings().followLive[size_t(view & 1)] != 0);
  };
  frame_->onDpiChanged = [&d] { d.PicturesResized(); };
  frame_->onNetworkStatistics = [this](int view) { ShowStatistics(view); };
  for (int v = 0; v < 2; ++v) {
    frame_->SetFollowLiveChecked(v, core_->settings().followLive[size_t(v)] != 0);
  }
  // As the normal exit, but at once: the session's end may not wait for the loop.
  frame_->onEndSession = [this, &d] {
    d.OnCommand(kIdExit, NotifyCode::kClicked);
    frame_->Destroy();
    core_->WriteSettings();
  };

  export_ = std::make_unique<WinExport>(frame_->Window(), d, core_->player(), core_->settings());
  WinExport::AddMenuItems(GetSubMenu(GetMenu(frame_->Window()), 0));
  // Only the export items come here.
  frame_->onMenuCommand = [this](int command) {
    return dialog_->RequestRunning() || export_->OnCommand(command);
  };
  // The loop that runs while a request does takes the same shortcuts.
  controls.onPreTranslate = [this](const MSG& message) { return PreTranslate(message); };

  hintWindow_ = std::make_unique<WinBigHint>();
  hint_ = std::make_unique<BigHintLogic>(
      controls, *hintWindow_, [this, &controls] { return ViewPictures(*dialog_, controls); });
  hint_->SetDisplayTime(kHintStartupDisplaySeconds);
  dialog_->SetHoverPoll([this] { hint_->Poll(); });
}

bool Application::Ok() const {
  return frame_ && frame_->Dialog() != nullptr;
}

void Application::Start() {
  ShowWindow(frame_->Window(), SW_SHOW);
  UpdateWindow(frame_->Window());
}

bool Application::PreTranslate(const MSG& message) {
  if ((message.message == WM_LBUTTONDOWN || message.message == WM_RBUTTONDOWN ||
       message.message == WM_NCLBUTTONDOWN || message.message == WM_NCRBUTTONDOWN) &&
      hint_) {
    hint_->Hide();
  }
  // The statistics windows take Tab, arrows and Enter as a dialog does.
  for (const auto& stats : statsWindows_) {
    const HWND window = stats ? stats->Window() : nullptr;
    if (window != nullptr && (message.hwnd == window || IsChild(window, message.hwnd)) &&
        IsDialogMessageW(window, const_cast<MSG*>(&message))) {
      return true;
    }
  }
  // Ctrl+S saves the sound; not with Alt, since AltGr (Ctrl+Alt) types letters.
  if (message.message == WM_KEYDOWN && message.wParam == 'S' && GetKeyState(VK_CONTROL) < 0 &&
      GetKeyState(VK_MENU) >= 0 && Ok() && !dialog_->RequestRunning() &&
      (message.hwnd == frame_->Window() || IsChild(frame_->Window(), message.hwnd))) {
    export_->SaveSound();
    return true;
  }
  return Ok() && frame_->PreTranslate(message);
}

void Application::ShowStatistics(int view) {
  std::unique_ptr<WinStatsWindow>& window = statsWindows_[size_t(view & 1)];
  if (!window) {
    if (!statsClock_) {
      statsClock_ = std::make_unique<SystemClock>();
      statsPng_ = std::make_unique<StbPngWriter>();
    }
    // Read on the GUI thread at each of the window's ticks.
    auto snapshot = [this, view] { return SnapshotOf(dialog_->view(view & 1)); };
    // The statistics fetch on their own thread: no busy cursor there.
    window = std::make_unique<WinStatsWindow>(
        frame_->Window(), view & 1, snapshot, *statsClock_,
        [] { return std::make_unique<WinInetHttpGet>(); }, statsPng_.get());
    if (window->Window() == nullptr) {
      window.reset();
      return;
    }
    window->record().onCue = [this, view] { core_->player().RequestCue(view & 1); };
    // Beside the dialog, View 2's window a little lower; inside the screen's
    // work area, over the dialog's right part when there is no room beside it.
    RECT frame{};
    RECT own{};
    GetWindowRect(frame_->Window(), &frame);
    GetWindowRect(window->Window(), &own);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(frame_->Window(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = std::max(int(work.left), std::min(int(frame.right) + 8, int(work.right) - width));
    const int y = std::max(int(work.top),
                           std::min(int(frame.top) + 40 * (view & 1), int(work.bottom) - height));
    SetWindowPos(window->Window(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  window->Show();
}

void Application::OnFrameDestroyed() {
  for (auto& window : statsWindows_) {
    window.reset();  // its job stops before the views go
  }
  // The window keys go first, then the dialog hands its last choices to the settings.
  const ScreenPoint at = frame_->PositionToSave();
  core_->ini().x = at.x;
  core_->ini().y = at.y;
  core_->ini().Write();
  if (!dialogDestroyed_) {
    dialogDestroyed_ = true;
    hint_->Hide();
    dialog_->Destroy();
  }
}

void Application::ChooseDataServer() {
  const std::optional<std::string> host =
      AskDataServer(frame_->Window(), core_->settings().serverHost, core_->http(), core_->clock());
  if (!host) {
    return;
  }
  const ServerChange change = dialog_->ChangeServerHost(*host);
  SetWindowTextW(frame_->Window(), Widen(FrameTitle(core_->settings().serverHost)).c_str());
  if (!change.message.empty()) {
    frame_->Dialog()->ShowMessageBox(change.message, kDataServerTitle, MessageBoxStyle::kOk);
  }
}

std::wstring Application::HelpPage() const {
  const std::wstring page =
      programFolder_ + (englishHelp_ ? L"help\\TessalyEn.html" : L"help\\TessalyRu.html");
  return GetFileAttributesW(page.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring() : page;
}

void Application::ShowHelp() {
  const std::wstring page = HelpPage();
  const HWND owner = frame_->Dialog()->Window();
  const auto opened = reinterpret_cast<INT_PTR>(
      page.empty() ? nullptr
                   : ShellExecuteW(owner, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (opened <= 32) {
    frame_->Dialog()->ShowMessageBox(
        page.empty() ? "The help pages are not installed." : "The help page could not be opened.",
        "Tessaly", MessageBoxStyle::kOk, Narrow(page));
  }
}

Application::~Application() {
  if (dialog_ && !dialogDestroyed_) {
    dialogDestroyed_ = true;
    dialog_->Destroy();
  }
  // Shutdown order: settings, frame and tooltip, views, player, stores, the rest.
  core_->WriteSettings();
  export_.reset();
  for (auto& window : statsWindows_) {
    window.reset();
  }
  hint_.reset();
  hintWindow_.reset();
  core_->SetFailureSink(nullptr);
  dialog_.reset();
  frame_.reset();
  core_.reset();
}

}  // namespace tessaly
