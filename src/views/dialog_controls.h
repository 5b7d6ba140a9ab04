#pragma once

// The main dialog's controls as the views see them: every control is addressed
// by its id from the dialog template. The real implementation sits on the GUI
// toolkit; tests use an in-memory one. Everything here is called on the GUI
// thread, except PostPlayerStopped.

#include <functional>
#include <string>
#include <string_view>

#include "views/screen_geometry.h"

namespace tessaly {

// What a control says when it sends a command.
enum class NotifyCode {
  kClicked = 0,    // buttons, radios, check boxes
  kSelChange = 1,  // a list: the user chose an item
  kDropDown = 7,   // a list opened
  kCloseUp = 8,    // a list closed
};

// What a scroll bar says (horizontal bars use the up codes for left, the down
// codes for right). Trackbars send kThumbTrack while the thumb is dragged, with
// its position, and kEnd when a drag or a key's move has ended.
enum class ScrollCode {
  kLineUp = 0,
  kLineDown = 1,
  kPageUp = 2,
  kPageDown = 3,
  kThumbPosition = 4,
  kThumbTrack = 5,
  kTop = 6,
  kBottom = 7,
  kEnd = 8,
};

// The key code the dialog's key messages carry for Escape.
inline constexpr int kKeyEscape = 27;

// A scroll bar's state. min..max is the whole range, inclusive; the thumb covers
// `page` values, so the position runs from min to max - page + 1 and is kept
// within that when set. A max below min counts as min, and a page larger than
// the range is cut to it (an empty graph's bar then has one position).
struct ScrollInfo {
  int min = 0;
  int max = 0;
  int page = 0;
  int pos = 0;
  bool operator==(const ScrollInfo&) const = default;
};

enum class MessageBoxStyle { kOk, kOkCancel, kYesNo };
enum class MessageBoxButton { kOk, kCancel, kYes, kNo };

class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // Drop-down lists. Items are appended in order; each carries an integer (its
  // item data, the value it stands for). Index -1 means "no item".
  virtual int AddItem(int id, std::string_view text) = 0;  // index of the new item, or -1
  virtual void ClearItems(int id) = 0;
  virtual int ItemCount(int id) const = 0;
  virtual std::string ItemText(int id, int index) const = 0;  // empty outside the list
  virtual void SetItemData(int id, int index, int data) = 0;
  virtual int ItemData(int id, int index) const = 0;  // -1 outside the list
  // An index outside the list leaves the list without a selection. The program's
  // own selections send no notification; only a user's choice does.
  virtual void SetSelection(int id, int index) = 0;
  virtual int Selection(int id) const = 0;  // -1 when nothing is selected

  // Appends an item that stands for `data`; returns its index or -1.
  int AddItemWithData(int id, std::string_view text, int data) {
    const int index = AddItem(id, text);
    if (index >= 0) {
      SetItemData(id, index, data);
    }
    return index;
  }
  // The value a list stands for: its selection's item data, or -1 without a selection.
  int ReadList(int id) const {
    const int index = Selection(id);
    return index < 0 ? -1 : ItemData(id, index);
  }

  // Window texts: button captions, edit contents, labels. UTF-8.
  virtual void SetText(int id, std::string_view text) = 0;
  virtual std::string Text(int id) const = 0;

  // Radio buttons and check boxes. Setting one radio does not clear the others.
  virtual void SetChecked(int id, bool checked) = 0;
  virtual bool IsChecked(int id) const = 0;

  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void Show(int id, bool visible) = 0;
  virtual bool IsVisible(int id) const = 0;

  // Scroll bars: range, page and position are set together and redrawn.
  virtual void SetScrollInfo(int id, const ScrollInfo& info) = 0;
  virtual ScrollInfo GetScrollInfo(int id) const = 0;

  // Trackbars: the range starts as 0..100; the position is kept within it.
  virtual void SetTrackbarRange(int id, int min, int max) = 0;
  virtual void SetTrackbarPos(int id, int pos) = 0;
  virtual int TrackbarPos(int id) const = 0;

  // Marks a control (a picture, usually) for repainting; Update paints what is
  // marked at once, which for a picture means the dialog's draw request for it.
  virtual void Invalidate(int id) = 0;
  virtual void Update(int id) = 0;
  virtual void InvalidateAll() = 0;
  virtual void UpdateAll() = 0;

  // Geometry in screen pixels: a control's drawable area (for a picture exactly
  // its raster), the pointer, and what lies under a point (a control id,
  // kHitDialog or kHitNothing). Hidden controls are never hit.
  virtual ScreenRect ControlScreenRect(int id) const = 0;
  virtual ScreenPoint CursorPos() const = 0;
  virtual int ControlAt(ScreenPoint point) const = 0;

  // A modal message box owned by the dialog; returns the button that closed it.
  // Timers and posted commands still run while it is open. A detail (the cause
  // of a failure) is shown below the text, in smaller type.
  virtual MessageBoxButton ShowMessageBox(std::string_view text, std::string_view caption,
                                          MessageBoxStyle style, std::string_view detail = {}) = 0;

  // Queued for later delivery on the GUI thread, in the order posted: a command
  // to the dialog itself (as if control `id` had sent notification `code`), the
  // audio engine's "a run has ended" (callable from any thread), and the
  // request to close the program.
  virtual void PostCommand(int id, NotifyCode code) = 0;
  virtual void PostPlayerStopped() = 0;
  virtual void PostExitRequest() = 0;

  // Runs the message loop, with the busy cursor, while running() holds (it is
  // asked often): the window paints and answers, timers and posted messages
  // run. Returns early only when the program is quitting.
  virtual void RunWhile(const std::function<bool()>& running) = 0;

  // Repeating timers on the GUI thread, e.g. the 100 ms tick. Starting an id that
  // runs already replaces it. Returns false when no timer could be started.
  virtual bool StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) = 0;
  virtual void StopTimer(int timerId) = 0;
};

}  // namespace tessaly
