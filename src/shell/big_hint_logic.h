#pragma once

// The station tooltip (CBigHint) without its window: what it says about the
// point under the mouse pointer, when it shows and hides, and where it goes.
// The real window sits behind BigHintWindow; pointer, hit testing and timers
// come through HintHost, which the dialog of each front end implements.
// Everything runs on the GUI thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "samples/sample_store.h"
#include "views/control_ids.h"
#include "views/screen_geometry.h"

namespace tessaly {

// The four pictures, by view index (0 = View 1 main, 1 = View 2 main,
// 2 = View 1 graph, 3 = View 2 graph).
inline constexpr int kImageControlIds[4] = {kIdView1Image, kIdView2Image, kIdView1GraphImage,
                                            kIdView2GraphImage};
bool IsImageControl(int id);

// Timer ids of the tooltip, in the dialog's timer space (the tick uses 1).
inline constexpr int kHintShowTimerId = 99;
inline constexpr int kHintDisplayTimerId = 98;
inline constexpr int kHintShowDelayMs = 500;
// The display time before start-up sets it, and the one start-up sets.
inline constexpr int kHintDefaultDisplaySeconds = 10;
inline constexpr int kHintStartupDisplaySeconds = 15;

// Rows above the visible box that lie outside the window region.
inline constexpr int kHintTopGap = 12;

// One picture of a view as the tooltip needs it: plain copies of the view's
// fields, taken at the moment of the question.
struct HintPicture {
  int index = 0;    // view index 0..3; index < 2 is a main view, index & 1 the view number
  ScreenRect rect;  // the picture's drawable area on the screen
  int columns = 0;  // (width + 3) / 4, one 4-pixel column per second
  int cursorColumn = 0;
  int64_t position = 0;   // the second shown in cursorColumn
  int32_t station = 0;    // main view: the selected station; graph view: 0
  int32_t firstRow = 0;   // graph view: the rank shown in the top row
  BlockPtr currentBlock;  // the block holding position; null = none
  const SampleStore* store = nullptr;
};

// The text under screen point p, with its two lines separated by "\r\n".
// Answers -1 when p is outside the picture, 0 when nothing can be said there,
// else the picture's control id (and then `text` holds the text).
int StationText(const HintPicture& picture, ScreenPoint p, std::string& text);

// The seconds and rows are read with the painters' geometry; these give what a
// pixel of a picture shows.
int64_t SecondAt(const HintPicture& picture, int x);
// Rank under screen row y of a graph, or -1 over the gap and the mean band.
int32_t GraphRowAt(const HintPicture& picture, int y);

struct HintSize {
  int width = 0;
  int height = 0;
};

// Where the tooltip goes and what it shows. Window coordinates are relative to
// the window's top-left pixel; right and bottom edges are exclusive.
struct HintPlacement {
  ScreenRect window;               // on the screen
  ScreenRect textBox;              // in window coordinates
  int bottomRow = 0;               // the box's last pixel row
  std::string text;                // lines separated by "\r\n"
  std::vector<ScreenRect> region;  // the window region, in window coordinates
};

// The rounded box below the top gap, as disjoint rectangles (one band of rows
// each) for a window `width` wide whose box ends at row bottomRow.
std::vector<ScreenRect> HintRegion(int width, int bottomRow);

// The outline to paint in the window-frame colour: four one-pixel lines and
// the pixels that round the corners.
struct HintOutline {
  std::vector<ScreenRect> lines;
  std::vector<ScreenPoint> pixels;
};
HintOutline HintOutlineOf(int width, int bottomRow);

// The placement for a text of size `textSize` at `anchor` (the pointer plus 10
// pixels each way) inside the desktop's work area. A tooltip already shown at
// the same anchor keeps its window position `previous`. The anchor's x comes
// back clamped into the work area.
HintPlacement PlaceHint(const std::string& text, HintSize textSize, ScreenPoint& anchor,
                        const ScreenRect& workArea, const ScreenPoint* previous);

// The tooltip window on the platform.
class CMainDialog;
class DialogControls;

// The four views' pictures as the tooltip reads them, placed where the
// dialog's controls are on the screen.
std::vector<HintPicture> ViewPictures(const CMainDialog& dialog, const DialogControls& controls);

class BigHintWindow {
 public:
  virtual ~BigHintWindow() = default;
  // Size of the text in the tooltip font: the widest line and all lines' height.
  virtual HintSize MeasureText(const std::string& text) const = 0;
  // The work area of the monitor showing `point` (the nearest one when none
  // does): a tooltip over a second monitor stays on that monitor.
  virtual ScreenRect WorkAreaAt(ScreenPoint point) const = 0;
  // Sets the text, the text box, the region and the place, and shows the
  // window top-most without activating it.
  virtual void Show(const HintPlacement& placement) = 0;
  virtual void Hide() = 0;
};

// What the tooltip needs of the dialog it belongs to.
class HintHost {
 public:
  virtual ~HintHost() = default;
  // The pointer on the screen, and what lies under a point: a control id,
  // kHitDialog (the dialog, a picture, label or frame) or kHitNothing.
  virtual ScreenPoint CursorPos() const = 0;
  virtual int ControlAt(ScreenPoint point) const = 0;
  // Timers on the GUI thread, in the dialog's timer space; starting a running
  // id replaces it. StartTimer returns false when no timer could be started.
  virtual bool StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) = 0;
  virtual void StopTimer(int timerId) = 0;
};

// CBigHint's behaviour: polled by the dialog's 100 ms tick, hidden on every
// mouse press. `pictures` gives the four pictures in hit-test order (View 1
// main, View 2 main, View 1 graph, View 2 graph). The host and the window
// must outlive it.
class BigHintLogic {
 public:
  BigHintLogic(HintHost& host, BigHintWindow& window,
               std::function<std::vector<HintPicture>()> pictures);
  ~BigHintLogic();
  BigHintLogic(const BigHintLogic&) = delete;
  BigHintLogic& operator=(const BigHintLogic&) = delete;

  void Poll();
  void Hide();

  void SetDisplayTime(int seconds) { displaySeconds_ = seconds; }
  int displayTime() const { return displaySeconds_; }
  bool shown() const { return shown_; }
  int currentId() const { return currentId_; }
  const std::string& text() const { return text_; }

 private:
  struct Hit {
    int id = 0;
    bool hasText = false;
    ScreenPoint pointer;
    ScreenPoint anchor;
  };

  Hit HitTest();
  void ShowStep();
  void StopShowTimer();
  void StopDisplayTimer();

  HintHost& host_;
  BigHintWindow& window_;
  std::function<std::vector<HintPicture>()> pictures_;

  int currentId_ = 0;
  bool showTimerRunning_ = false;
  bool displayTimerRunning_ = false;
  ScreenPoint anchor_;
  ScreenPoint windowPos_;
  bool shown_ = false;
  int displaySeconds_ = kHintDefaultDisplaySeconds;
  bool textChanged_ = false;
  std::string text_;
};

}  // namespace tessaly
