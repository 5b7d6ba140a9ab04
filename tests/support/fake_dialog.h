#pragma once

// DialogControls in memory, for every control of the main dialog's template.
// It plays both sides: the program's calls change and read the controls' state, and the User*
// helpers act like a user, changing the state as the platform's controls would and sending the
// notification to the dialog through the on* sinks the test wires to CMainDialog.
// A call for an id the template lacks, of the wrong kind for the control, or a
// user acting on a hidden or disabled control fails the test.

#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "shell/big_hint_logic.h"
#include "shell/dialog_template.h"
#include "views/dialog_controls.h"

namespace tessaly {

class FakeDialog final : public DialogControls, public HintHost {
 public:
  FakeDialog();  // the main dialog

  // --- DialogControls
  int AddItem(int id, std::string_view text) override;
  void ClearItems(int id) override;
  int ItemCount(int id) const override;
  std::string ItemText(int id, int index) const override;
  void SetItemData(int id, int index, int data) override;
  int ItemData(int id, int index) const override;
  void SetSelection(int id, int index) override;
  int Selection(int id) const override;
  void SetText(int id, std::string_view text) override;
  std::string Text(int id) const override;
  void SetChecked(int id, bool checked) override;
  bool IsChecked(int id) const override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  void Show(int id, bool visible) override;
  bool IsVisible(int id) const override;
  void SetScrollInfo(int id, const ScrollInfo& info) override;
  ScrollInfo GetScrollInfo(int id) const override;
  void SetTrackbarRange(int id, int min, int max) override;
  void SetTrackbarPos(int id, int pos) override;
  int TrackbarPos(int id) const override;
  void Invalidate(int id) override;
  void Update(int id) override;
  void InvalidateAll() override;
  void UpdateAll() override;
  ScreenRect ControlScreenRect(int id) const override;
  ScreenPoint CursorPos() const override { return cursor_; }
  int ControlAt(ScreenPoint point) const override;
  MessageBoxButton ShowMessageBox(std::string_view text, std::string_view caption,
                                  MessageBoxStyle style, std::string_view detail) override;
  void PostCommand(int id, NotifyCode code) override;
  void PostPlayerStopped() override;
  void PostExitRequest() override;
  bool StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) override;
  void StopTimer(int timerId) override;

  // --- Where the dialog's notifications go (wire them to CMainDialog).
  std::function<void(int id, NotifyCode code)> onCommand;
  std::function<void(int id, ScrollCode code, int thumb)> onScroll;  // scroll bars and the trackbar
  std::function<void(int id)> onDraw;                                // paint request of a picture
  std::function<void()> onLeftButtonUp;                              // a click on the dialog itself
  std::function<void(int key)> onKey;
  std::function<void()> onPlayerStopped;
  std::function<void()> onExitRequest;

  // --- A user at work.
  // Chooses item `index` of a list: the selection changes and NotifyCode::kSelChange is sent.
  void UserSelect(int id, int index);
  // Clicks a button: a radio becomes the checked one of its group, a check box
  // toggles; then NotifyCode::kClicked is sent.
  void UserClick(int id);
  // Sends another notification of a control without changing it (e.g. NotifyCode::kDropDown).
  void UserNotify(int id, NotifyCode code);
  // A scroll bar's arrow, page area or thumb; the bar itself does not move.
  void UserScroll(int id, ScrollCode code, int thumb = 0);
  // Drags a trackbar's thumb to pos, still held: thumb-track with pos.
  void UserDragTrackbar(int id, int pos);
  // Lets the thumb go: end-track, which carries no position.
  void UserReleaseTrackbar(int id);
  // Moves the thumb by keyboard: no thumb-track, only end-track.
  void UserKeyTrackbar(int id, int pos);
  // Moves the pointer to `point` and releases the left button there; the dialog
  // hears it (onLeftButtonUp) only where ControlAt gives kHitDialog.
  void UserClickAt(ScreenPoint point);
  void UserKey(int key) { onKey(key); }

  // --- Geometry: the dialog's client area starts at (200, 100) on the screen.
  void SetCursorPos(ScreenPoint point) { cursor_ = point; }
  // A point inside a control's drawable area, offset from its top-left pixel.
  ScreenPoint PointIn(int id, int dx, int dy) const;

  // --- Painting
  int DrawCount(int id) const { return Find(id, {}).draws; }
  int WholeDialogInvalidations() const { return wholeDialogInvalidations_; }
  void ResetPaintCounts();

  // --- Message boxes: each shown box, answered with its first button.
  struct MessageBoxRecord {
    std::string text;
    std::string caption;
    std::string detail;
  };
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
  // Runs while a box is open, as the modal loop would run timers (e.g. fire the tick).
  std::function<void(const MessageBoxRecord&)> whileMessageBoxOpen;

  // --- Posted messages
  struct PostedMessage {
    enum class Kind { kCommand, kPlayerStopped, kExitRequest };
    Kind kind = Kind::kCommand;
    int id = 0;
    NotifyCode code = NotifyCode::kClicked;
    bool operator==(const PostedMessage&) const = default;
  };
  std::vector<PostedMessage> Posted() const;
  // Delivers the queue through the sinks until it is empty, including what the
  // delivery posts.
  void DeliverPosted();

  // --- Timers
  bool TimerRunning(int timerId) const { return timers_.count(timerId) != 0; }
  int TimerInterval(int timerId) const;  // 0 when not running
  int TimerStartCount(int timerId) const;
  // Runs a running timer's callback once; false when it is not running.
  bool FireTimer(int timerId);

 private:
  struct Item {
    std::string text;
    int data = 0;
  };
  struct Control {
    const ControlTemplate* layout = nullptr;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    std::vector<Item> items;
    int selection = -1;
    ScrollInfo scroll;
    int trackMin = 0;
    int trackMax = 100;
    int trackPos = 0;
    bool invalid = false;
    int draws = 0;
  };
  struct Timer {
    int intervalMs = 0;
    std::function<void()> callback;
  };

  // The control, or a test failure and a scratch control when the id is
  // unknown or of none of the kinds (any kind when empty).
  Control& Find(int id, std::initializer_list<ControlKind> kinds);
  const Control& Find(int id, std::initializer_list<ControlKind> kinds) const;
  Control& FindForUser(int id, std::initializer_list<ControlKind> kinds);
  Control& Scratch() const;
  const Item* ItemAt(int id, int index) const;
  void Draw(int id, Control& control);

  std::vector<int> order_;  // ids in template order
  std::map<int, Control> controls_;
  mutable Control scratch_;
  ScreenPoint cursor_{0, 0};
  int wholeDialogInvalidations_ = 0;
  std::vector<MessageBoxRecord> messageBoxes_;
  mutable std::mutex postedMutex_;  // PostPlayerStopped comes from the audio thread
  std::deque<PostedMessage> posted_;
  std::map<int, Timer> timers_;
  std::map<int, int> timerStarts_;
};

}  // namespace tessaly
