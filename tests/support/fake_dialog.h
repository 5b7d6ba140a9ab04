#pragma once

// DialogControls in memory, for every control of the main dialog's template.
// The program's calls change and read the controls' state; the User* helpers act
// like a user, changing the state as the platform's controls would and sending the
// notification through the on* sinks the test wires to CMainDialog. A call for an
// id the template lacks, of the wrong kind, or a user acting on a hidden or
// disabled control fails the test. The client area starts at (200, 100) on screen.

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
#include "views/dialog_events.h"

namespace tessaly {

// Its notifications go through the DialogEvents it is (wire them to CMainDialog).
class FakeDialog final : public DialogControls, public HintHost, public DialogEvents {
  using K = ControlKind;

 public:
  FakeDialog();

  int AddItem(int id, std::string_view text) override {
    auto& items = Find(id, {K::kComboBox}).items;
    items.push_back({std::string(text), 0});
    return int(items.size()) - 1;
  }
  void ClearItems(int id) override;
  int ItemCount(int id) const override { return int(Find(id, {K::kComboBox}).items.size()); }
  std::string ItemText(int id, int index) const override {
    return ItemAt(id, index) ? ItemAt(id, index)->text : std::string();
  }
  void SetItemData(int id, int index, int data) override {
    if (Item* item = ItemAt(id, index)) {
      item->data = data;
    }
  }
  int ItemData(int id, int index) const override {
    return ItemAt(id, index) ? ItemAt(id, index)->data : -1;
  }
  void SetSelection(int id, int index) override {
    Find(id, {K::kComboBox}).selection = ItemAt(id, index) ? index : -1;
  }
  int Selection(int id) const override { return Find(id, {K::kComboBox}).selection; }
  void SetText(int id, std::string_view text) override { Find(id, {}).text = text; }
  std::string Text(int id) const override { return Find(id, {}).text; }
  void SetChecked(int id, bool on) override { Find(id, {K::kRadioButton, K::kCheckBox}).on = on; }
  bool IsChecked(int id) const override { return Find(id, {K::kRadioButton, K::kCheckBox}).on; }
  void Enable(int id, bool enabled) override { Find(id, {}).enabled = enabled; }
  bool IsEnabled(int id) const override { return Find(id, {}).enabled; }
  void Show(int id, bool visible) override { Find(id, {}).visible = visible; }
  bool IsVisible(int id) const override { return Find(id, {}).visible; }
  void SetScrollInfo(int id, const ScrollInfo& info) override;
  ScrollInfo GetScrollInfo(int id) const override { return Find(id, {K::kScrollBar}).scroll; }
  void SetTrackbarRange(int id, int min, int max) override;
  void SetTrackbarPos(int id, int pos) override;
  int TrackbarPos(int id) const override { return Find(id, {K::kTrackbar}).trackPos; }
  void Invalidate(int id) override { Find(id, {}).invalid = true; }
  void Update(int id) override;
  void InvalidateAll() override;
  void UpdateAll() override;
  ScreenRect ControlScreenRect(int id) const override;
  ScreenPoint CursorPos() const override { return cursor_; }
  int ControlAt(ScreenPoint point) const override;
  MessageBoxButton ShowMessageBox(std::string_view text, std::string_view caption,
                                  MessageBoxStyle style, std::string_view detail) override;
  void PostCommand(int id, NotifyCode code) override;
  void PostPlayerStopped() override { Post({PostedMessage::Kind::kPlayerStopped}); }
  void PostExitRequest() override { Post({PostedMessage::Kind::kExitRequest}); }
  bool StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) override;
  void StopTimer(int timerId) override { timers_.erase(timerId); }

  // A user at work. Select: the selection changes, then kSelChange. Click: a radio
  // becomes the checked one of its group, a check box toggles; then kClicked.
  void UserSelect(int id, int index);
  void UserClick(int id);
  void UserNotify(int id, NotifyCode code);  // e.g. kDropDown, the control unchanged
  // A scroll bar's arrow, page area or thumb; the bar itself does not move.
  void UserScroll(int id, ScrollCode code, int thumb = 0);
  // Drag: thumb-track with the new position. Release: end-track without one.
  // Key: the thumb moves, then only end-track.
  void UserDragTrackbar(int id, int pos) { MoveTrackbar(id, pos, ScrollCode::kThumbTrack); }
  void UserReleaseTrackbar(int id) { MoveTrackbar(id, TrackbarPos(id), ScrollCode::kEnd); }
  void UserKeyTrackbar(int id, int pos) { MoveTrackbar(id, pos, ScrollCode::kEnd); }
  // Releases the left button at `point`; the dialog hears it only where ControlAt
  // gives kHitDialog.
  void UserClickAt(ScreenPoint point);
  void UserKey(int key) { onKey(key); }

  void SetCursorPos(ScreenPoint point) { cursor_ = point; }
  // Controls' screen rectangles grown by this, as at another DPI (hit tests
  // keep the template's pixels).
  int scalePercent = 100;
  ScreenPoint PointIn(int id, int dx, int dy) const {
    const ScreenRect r = ControlScreenRect(id);
    return {r.left + dx, r.top + dy};
  }

  int DrawCount(int id) const { return Find(id, {}).draws; }
  int WholeDialogInvalidations() const { return wholeDialogInvalidations_; }
  void ResetPaintCounts();

  // Each shown box, answered with its first button.
  struct MessageBoxRecord {
    std::string text, caption, detail;
  };
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
  // A wait for a request: whileWaiting runs once (the user acting meanwhile),
  // then the wait lasts until the request ends.
  void RunWhile(const std::function<bool()>& running) override;
  std::function<void()> whileWaiting;
  int waits = 0;
  // Runs while a box is open, as the modal loop would run timers.
  std::function<void(const MessageBoxRecord&)> whileMessageBoxOpen;

  struct PostedMessage {
    enum class Kind { kCommand, kPlayerStopped, kExitRequest };
    Kind kind = Kind::kCommand;
    int id = 0;
    NotifyCode code = NotifyCode::kClicked;
    bool operator==(const PostedMessage&) const = default;
  };
  std::vector<PostedMessage> Posted() const {
    std::lock_guard lock(postedMutex_);
    return {posted_.begin(), posted_.end()};
  }
  // Delivers the queue through the sinks until it is empty, including what the
  // delivery posts.
  void DeliverPosted();

  bool TimerRunning(int timerId) const { return timers_.count(timerId) != 0; }
  int TimerInterval(int timerId) const {
    return TimerRunning(timerId) ? timers_.at(timerId).intervalMs : 0;
  }
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
    bool on = false, enabled = true, visible = true, invalid = false;
    std::vector<Item> items;
    int selection = -1;
    ScrollInfo scroll;
    int trackMin = 0, trackMax = 100, trackPos = 0;
    int draws = 0;
  };
  struct Timer {
    int intervalMs = 0;
    std::function<void()> callback;
  };

  // The control, or a test failure and a scratch control when the id is unknown
  // or of none of the kinds (any kind when empty).
  Control& Find(int id, std::initializer_list<ControlKind> kinds) const;
  Control& FindForUser(int id, std::initializer_list<ControlKind> kinds);
  Item* ItemAt(int id, int index) const;
  void MoveTrackbar(int id, int pos, ScrollCode code);
  void Post(PostedMessage message);

  std::vector<int> order_;  // ids in template order
  mutable std::map<int, Control> controls_;
  mutable Control scratch_;
  ScreenPoint cursor_{0, 0};
  int wholeDialogInvalidations_ = 0;
  std::vector<MessageBoxRecord> messageBoxes_;
  mutable std::mutex postedMutex_;  // PostPlayerStopped comes from the audio thread
  std::deque<PostedMessage> posted_;
  std::map<int, Timer> timers_;
};

}  // namespace tessaly
