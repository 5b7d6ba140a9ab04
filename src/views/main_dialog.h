#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "display/raster.h"
#include "samples/server_source.h"
#include "sound/player_host.h"
#include "views/cview.h"
#include "views/data_server.h"

namespace tessaly {

class CIni;
class CSettings;
class DialogControls;
class PlaybackEngine;

inline constexpr int kTickTimerId = 1;
inline constexpr int kTickIntervalMs = 100;
inline constexpr int kHelpContextPurpose = 101;

// What the dialog needs of the frame around it.
class AppShell {
 public:
  virtual ~AppShell() = default;
  // Resizes the frame for View 2 shown or hidden.
  virtual void LayoutFrame(bool view2Shown) = 0;
  // Opens the help at a topic, owned by the dialog.
  virtual void ShowHelp(int helpContext) = 0;
};

// The main dialog: owns the four views, builds the dialog's lists and routes
// every control's message to its view. GUI thread only, except the engine's
// calls of PlayerHost, which only post.
class CMainDialog final : public ServerFailureSink, public PlayerHost {
 public:
  explicit CMainDialog(const MainDialogParts& parts);
  ~CMainDialog() override;
  CMainDialog(const CMainDialog&) = delete;
  CMainDialog& operator=(const CMainDialog&) = delete;

  // The dialog's creation: lists, buffers, ranges, player, posted "Set"s, tick.
  void Construct();
  // The dialog's destruction: the tick stops; radios and sound boxes go to the settings.
  void Destroy();

  // --- Messages. Each returns whether the dialog handled it.
  bool OnCommand(int id, NotifyCode code);
  void OnScroll(int id, ScrollCode code, int thumb);
  // A picture is to be drawn: fills its surface (RasterFor) for the screen.
  bool OnDraw(int id);
  void OnLeftButtonUp();
  bool OnKey(int key);
  // WM_APP_PLAYER_STOPPED, delivered on the GUI thread.
  void HandlePlayerStopped();
  void OnTick();

  // The surface of a picture as last drawn: a view's back buffer for the
  // images, the painted strip or panel for the others; null for other ids.
  const Raster* RasterFor(int id) const;

  // The pictures have new sizes (the dialog follows another DPI).
  void PicturesResized();
  // Applies View 2's visibility without touching the frame (start-up layout).
  void ShowView2(bool show);
  // "View" → "Follow Live" of View 1 (0) or View 2 (1): on, the view plays
  // from the present less the live delay and keeps that distance.
  void SetFollowLive(int view, bool on);
  // "File" -> "Data Server..." OK with the typed host[:port]. Text that is no
  // host changes nothing. Otherwise the host is used and saved at once, the
  // server store forgets the old server's blocks and stations, and the views
  // on it go to their time again as "Set" does.
  ServerChange ChangeServerHost(std::string_view typed);
  // A data request runs: the window answers, but the views that wait for it
  // take only "Stop", and what would start another request waits for it.
  bool RequestRunning() const { return waiting_; }
  // Polled every tick before the playback advance (the tooltip's hover check).
  void SetHoverPoll(std::function<void()> poll) { hoverPoll_ = std::move(poll); }

  CView& view(int index) { return *views_[size_t(index)]; }
  const CView& view(int index) const { return *views_[size_t(index)]; }
  CView& view1Main() { return *views_[0]; }
  CView& view2Main() { return *views_[1]; }
  CView& view1Graph() { return *views_[2]; }
  CView& view2Graph() { return *views_[3]; }
  int tickTimer() const { return tickTimer_; }

  // ServerFailureSink
  void StopPlayingViews() override;
  void ShowMessage(const std::string& text, const std::string& caption,
                   const std::string& detail) override;

  // PlayerHost (audio thread)
  const PlayerViewState* PlayerView(int view) const override;
  int SoundFade() const override { return soundFade_.load(); }
  void OnPlayerStopped() override;  // posts WM_APP_PLAYER_STOPPED
  void ShowPlayerMessage(const std::string& text, const std::string& caption,
                         const std::string& detail) override;

 private:
  bool OnSharedCommand(int id, NotifyCode code);
  // While a request runs: whether the command may act now; one that would
  // start another request is kept for after it.
  bool PassesWhileWaiting(int id, NotifyCode code);
  // A main view that the running request holds: the one it is for, and any
  // other on the store it fills.
  bool Held(const CView& main) const;
  // Runs the message loop until the request has ended (or the program closes).
  void WaitForRequest(const std::function<bool()>& ended);
  // Runs f with `main` as the view a request it starts is for.
  template <typename F>
  void For(CView* main, F&& f) {
    CView* const outer = std::exchange(dispatching_, main);
    f();
    dispatching_ = outer;
  }
  void OnUnknownStation(uint32_t id, const std::string& text);
  void OnVolume(ScrollCode code, int thumb);
  void ToggleMute();
  void ToggleView2();
  void ApplyVolume();

  ViewContext context_;
  std::array<std::unique_ptr<CView>, 4> views_;
  int tickTimer_ = 0;
  bool tickBusy_ = false;
  std::atomic<int> soundFade_{1};
  std::function<void()> hoverPoll_;

  bool waiting_ = false;
  CView* dispatching_ = nullptr;  // the main view a command or tick acts for
  CView* waitingView_ = nullptr;  // null: every view on the server store waits
  std::vector<std::pair<int, NotifyCode>> deferred_;

  std::mutex messagesMutex_;
  struct EngineMessage {
    std::string text, caption, detail;
  };
  std::vector<EngineMessage> engineMessages_;
};

}  // namespace tessaly
