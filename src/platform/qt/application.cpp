#include "platform/qt/application.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QMouseEvent>
#include <QTextBrowser>
#include <QUrl>

#include <unistd.h>

#include <cstdio>
#include <functional>

#include "platform/curl/curl_http_get.h"
#include "platform/portaudio/portaudio_wave_out.h"
#include "platform/posix/posix_server_process.h"
#include "platform/qt/qt_big_hint.h"
#include "platform/qt/qt_data_server.h"
#include "platform/qt/qt_export.h"
#include "platform/qt/qt_frame.h"
#include "platform/qt/qt_stats_window.h"
#include "platform/stb/stb_png_writer.h"
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

#ifndef TESSALY_SOURCE_HELP_DIR
#define TESSALY_SOURCE_HELP_DIR ""
#endif

namespace tessaly {

bool HelpIsEnglish() {
  return QLocale::system().language() != QLocale::Russian;
}

// The frame operations the dialog asks for, and the tooltip's hide on every
// mouse press anywhere in the program.
class MainShell final : public QObject, public AppShell {
 public:
  explicit MainShell(Application& app) : app_(app) {}

  void LayoutFrame(bool view2Shown) override { app_.frame_->Layout(view2Shown); }
  void ShowHelp(int) override { app_.ShowHelp(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if ((event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick) &&
        app_.hint_) {
      app_.hint_->Hide();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  Application& app_;
};

// The data server of a first start: the tessaly-replay beside the program, or
// the build tree's when run from a build.
std::unique_ptr<ServerProcess> StartReplayBeside(const std::string& folder) {
  for (const std::string& path :
       {folder + "/tessaly-replay", folder + "/tools/replay/tessaly-replay"}) {
    if (access(path.c_str(), X_OK) == 0) {
      return StartPosixServer(path,
                              {"--address", "127.0.0.1", "--port", PortOf(DefaultServerHost())},
                              std::chrono::seconds(5));
    }
  }
  return nullptr;
}

Application::Application(std::string programFolder)
    : programFolder_(std::move(programFolder)), englishHelp_(HelpIsEnglish()) {
  settingsPath_ = SettingsFilePath(SystemPathEnvironment(programFolder_));
  ProgramAdapters adapters;
  adapters.http = std::make_unique<CurlHttpGet>();
  adapters.liveHttp = std::make_unique<CurlHttpGet>();
  ServeFirstStart(adapters, [folder = programFolder_] { return StartReplayBeside(folder); });
  adapters.waveOut = std::make_unique<PortAudioWaveOut>();
  core_ = std::make_unique<ProgramCore>(settingsPath_, std::move(adapters));

  frame_ = std::make_unique<QtFrame>();
  frame_->setWindowTitle(QString::fromStdString(FrameTitle(core_->settings().serverHost)));
  shell_ = std::make_unique<MainShell>(*this);
  QtDialog& widgets = frame_->Dialog();

  dialog_ = std::make_unique<CMainDialog>(core_->Parts(&widgets, shell_.get()));
  core_->SetFailureSink(dialog_.get());

  core_->ini().Read();

  // Every message of the widgets goes to the dialog.
  CMainDialog& d = *dialog_;
  ConnectMainDialog(widgets, d, [this] { frame_->Destroy(); });
  frame_->onCloseRequest = [&d] { d.OnCommand(kIdExit, NotifyCode::kClicked); };
  frame_->onDestroy = [this] { OnFrameDestroyed(); };
  export_ = std::make_unique<QtExport>(*frame_, d, core_->player(), core_->settings());
  // While a view waits for its data, the menu items that read the views or
  // use their connection are ignored.
  auto idle = [this](std::function<void()> action) {
    return [this, action = std::move(action)] {
      if (!dialog_->RequestRunning()) {
        action();
      }
    };
  };
  frame_->onSaveSound = idle([this] { export_->SaveSound(); });
  frame_->onSavePicture = idle([this] { export_->SavePicture(); });
  frame_->onExportSamples = idle([this] { export_->ExportSamples(); });
  frame_->onDataServer = idle([this] { ChooseDataServer(); });
  // The check shows what the view does: a view waiting for its data ignores the choice.
  frame_->onFollowLive = [this](int view, bool on) {
    dialog_->SetFollowLive(view, on);
    frame_->SetFollowLiveChecked(view, core_->settings().followLive[size_t(view & 1)] != 0);
  };
  frame_->onNetworkStatistics = [this](int view) { ShowStatistics(view); };
  frame_->onScaleChanged = [this] { dialog_->PicturesResized(); };
  for (int v = 0; v < 2; ++v) {
    frame_->SetFollowLiveChecked(v, core_->settings().followLive[size_t(v)] != 0);
  }

  hintWindow_ = std::make_unique<QtBigHint>();
  hint_ = std::make_unique<BigHintLogic>(
      widgets, *hintWindow_, [this] { return ViewPictures(*dialog_, frame_->Dialog()); });
  hint_->SetDisplayTime(kHintStartupDisplaySeconds);
  dialog_->SetHoverPoll([this] { hint_->Poll(); });
  qApp->installEventFilter(shell_.get());

  dialog_->Construct();
  // The views' surfaces never move after construction.
  for (const ControlTemplate& control : MainDialogControls()) {
    if (control.kind == ControlKind::kPicture) {
      widgets.SetPictureSource(control.id, dialog_->RasterFor(control.id));
    }
  }
  frame_->SetSavedPosition(core_->ini().x, core_->ini().y);
  dialog_->ShowView2(core_->settings().view2 != 0);
  frame_->Layout(core_->settings().view2 != 0);
}

void Application::Start() {
  frame_->show();
  frame_->Layout(core_->settings().view2 != 0);  // again, now that the frame's borders are known
}

void Application::OnFrameDestroyed() {
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
  if (helpWindow_) {
    helpWindow_->close();
  }
  for (auto& window : statsWindows_) {
    window.reset();  // its job stops before the views go
  }
  QCoreApplication::quit();
}

void Application::ShowStatistics(int view) {
  std::unique_ptr<QtStatsWindow>& window = statsWindows_[size_t(view & 1)];
  if (!window) {
    if (!statsClock_) {
      statsClock_ = std::make_unique<SystemClock>();
      statsPng_ = std::make_unique<StbPngWriter>();
    }
    // Read on the GUI thread at each of the window's ticks.
    auto snapshot = [this, view] { return SnapshotOf(dialog_->view(view & 1)); };
    window = std::make_unique<QtStatsWindow>(
        view & 1, snapshot, *statsClock_, [] { return std::make_unique<CurlHttpGet>(); },
        statsPng_.get());
    window->record().onCue = [this, view] { core_->player().RequestCue(view & 1); };
    window->setWindowIcon(frame_->windowIcon());
    // Beside the dialog, View 2's window a little lower.
    window->move(frame_->frameGeometry().topRight() + QPoint(8, 40 * (view & 1)));
  }
  window->show();
  window->raise();
}

void Application::ChooseDataServer() {
  const std::optional<std::string> host =
      AskDataServer(frame_.get(), core_->settings().serverHost, core_->http(), core_->clock());
  if (!host) {
    return;
  }
  const ServerChange change = dialog_->ChangeServerHost(*host);
  frame_->setWindowTitle(QString::fromStdString(FrameTitle(core_->settings().serverHost)));
  if (!change.message.empty()) {
    frame_->Dialog().ShowMessageBox(change.message, kDataServerTitle, MessageBoxStyle::kOk, {});
  }
}

std::string Application::HelpPage() const {
  const char* name = englishHelp_ ? "TessalyEn.html" : "TessalyRu.html";
  const std::string candidates[] = {
      programFolder_ + "/help/" + name,
      programFolder_ + "/../share/tessaly/help/" + name,
      std::string(TESSALY_SOURCE_HELP_DIR) + "/" + name,
  };
  for (const std::string& path : candidates) {
    if (QFile::exists(QString::fromStdString(path))) {
      return path;
    }
  }
  return {};
}

void Application::ShowHelp() {
  const std::string page = HelpPage();
  if (!helpWindow_) {
    helpWindow_ = std::make_unique<QTextBrowser>();
    helpWindow_->setWindowTitle(englishHelp_ ? QStringLiteral("Tessaly Help")
                                             : QStringLiteral("Справка Tessaly"));
    helpWindow_->resize(640, 560);
    helpWindow_->setOpenExternalLinks(true);
  }
  if (page.empty()) {
    helpWindow_->setPlainText(QStringLiteral("The help pages are not installed."));
  } else {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(page));
    url.setFragment(QStringLiteral("purpose"));
    helpWindow_->setSource(url);
  }
  helpWindow_->show();
  helpWindow_->raise();
}

Application::~Application() {
  qApp->removeEventFilter(shell_.get());
  if (!dialogDestroyed_) {
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
  helpWindow_.reset();
  core_->SetFailureSink(nullptr);
  dialog_.reset();
  frame_.reset();
  core_.reset();
}

}  // namespace tessaly
