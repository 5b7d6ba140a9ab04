#include "support/fake_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace tessaly {
namespace {

// Pictures, labels and group boxes let the pointer through to the dialog.
bool PassesPointer(ControlKind kind) {
  return kind == ControlKind::kPicture || kind == ControlKind::kLabel ||
         kind == ControlKind::kGroupBox;
}

bool Contains(const PixelRect& rect, int x, int y) {
  return x >= rect.left && x < rect.right() && y >= rect.top && y < rect.bottom();
}

constexpr int kDeliveryLimit = 100000;

}  // namespace

FakeDialog::FakeDialog() {
  for (const ControlTemplate& layout : MainDialogControls()) {
    if (layout.id != kStaticControlId) {
      Control control;
      control.layout = &layout;
      control.text = std::string(layout.caption);
      controls_.emplace(layout.id, std::move(control));
      order_.push_back(layout.id);
    }
  }
}

void FakeDialog::Misuse(std::string what) const {
  if (failOnMisuse_) {
    ADD_FAILURE() << "FakeDialog: " << what;
  }
  misuses_.push_back(std::move(what));
}

const FakeDialog::Control* FakeDialog::Find(int id, const char* operation,
                                            std::initializer_list<ControlKind> kinds) const {
  auto it = controls_.find(id);
  if (it == controls_.end()) {
    Misuse(std::string(operation) + ": no control " + std::to_string(id));
    return nullptr;
  }
  const ControlKind kind = it->second.layout->kind;
  if (kinds.size() != 0 && std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) {
    Misuse(std::string(operation) + ": control " + std::to_string(id) + " is of kind " +
           std::to_string(static_cast<int>(kind)));
    return nullptr;
  }
  return &it->second;
}

FakeDialog::Control* FakeDialog::Find(int id, const char* operation,
                                      std::initializer_list<ControlKind> kinds) {
  return const_cast<Control*>(std::as_const(*this).Find(id, operation, kinds));
}

FakeDialog::Control* FakeDialog::FindForUser(int id, const char* operation,
                                             std::initializer_list<ControlKind> kinds) {
  Control* control = Find(id, operation, kinds);
  if (control == nullptr) {
    return nullptr;
  }
  if (!control->visible || !control->enabled) {
    Misuse(std::string(operation) + ": control " + std::to_string(id) + " is " +
           (control->visible ? "disabled" : "hidden") + "; a user cannot reach it");
    return nullptr;
  }
  return control;
}

// --- Lists

int FakeDialog::AddItem(int id, std::string_view text) {
  Control* control = Find(id, "AddItem", {ControlKind::kComboBox});
  if (control == nullptr) {
    return -1;
  }
  control->items.push_back({std::string(text), 0});
  return static_cast<int>(control->items.size()) - 1;
}

void FakeDialog::ClearItems(int id) {
  if (Control* control = Find(id, "ClearItems", {ControlKind::kComboBox})) {
    control->items.clear();
    control->selection = -1;
  }
}

int FakeDialog::ItemCount(int id) const {
  const Control* control = Find(id, "ItemCount", {ControlKind::kComboBox});
  return control == nullptr ? 0 : static_cast<int>(control->items.size());
}

std::string FakeDialog::ItemText(int id, int index) const {
  const Control* control = Find(id, "ItemText", {ControlKind::kComboBox});
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
    return {};
  }
  return control->items[index].text;
}

void FakeDialog::SetItemData(int id, int index, int data) {
  Control* control = Find(id, "SetItemData", {ControlKind::kComboBox});
  if (control != nullptr && index >= 0 && index < static_cast<int>(control->items.size())) {
    control->items[index].data = data;
  }
}

int FakeDialog::ItemData(int id, int index) const {
  const Control* control = Find(id, "ItemData", {ControlKind::kComboBox});
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
    return -1;
  }
  return control->items[index].data;
}

void FakeDialog::SetSelection(int id, int index) {
  if (Control* control = Find(id, "SetSelection", {ControlKind::kComboBox})) {
    const bool inside = index >= 0 && index < static_cast<int>(control->items.size());
    control->selection = inside ? index : -1;
  }
}

int FakeDialog::Selection(int id) const {
  const Control* control = Find(id, "Selection", {ControlKind::kComboBox});
  return control == nullptr ? -1 : control->selection;
}

// --- Texts, checks, enabling, visibility

void FakeDialog::SetText(int id, std::string_view text) {
  if (Control* control = Find(id, "SetText")) {
    control->text = std::string(text);
  }
}

std::string FakeDialog::Text(int id) const {
  const Control* control = Find(id, "Text");
  return control == nullptr ? std::string() : control->text;
}

void FakeDialog::SetChecked(int id, bool checked) {
  if (Control* control =
          Find(id, "SetChecked", {ControlKind::kRadioButton, ControlKind::kCheckBox})) {
    control->checked = checked;
  }
}

bool FakeDialog::IsChecked(int id) const {
  const Control* control =
      Find(id, "IsChecked", {ControlKind::kRadioButton, ControlKind::kCheckBox});
  return control != nullptr && control->checked;
}

void FakeDialog::Enable(int id, bool enabled) {
  if (Control* control = Find(id, "Enable")) {
    control->enabled = enabled;
  }
}

bool FakeDialog::IsEnabled(int id) const {
  const Control* control = Find(id, "IsEnabled");
  return control != nullptr && control->enabled;
}

void FakeDialog::Show(int id, bool visible) {
  if (Control* control = Find(id, "Show")) {
    control->visible = visible;
  }
}

bool FakeDialog::IsVisible(int id) const {
  const Control* control = Find(id, "IsVisible");
  return control != nullptr && control->visible;
}

// --- Scroll bars and trackbars

void FakeDialog::SetScrollInfo(int id, const ScrollInfo& info) {
  Control* control = Find(id, "SetScrollInfo", {ControlKind::kScrollBar});
  if (control == nullptr) {
    return;
  }
  ScrollInfo s = info;
  s.max = std::max(s.max, s.min);
  s.page = std::clamp(s.page, 0, s.max - s.min + 1);
  const int lastPos = std::max(s.min, s.max - std::max(s.page - 1, 0));
  s.pos = std::clamp(s.pos, s.min, lastPos);
  control->scroll = s;
}

ScrollInfo FakeDialog::GetScrollInfo(int id) const {
  const Control* control = Find(id, "GetScrollInfo", {ControlKind::kScrollBar});
  return control == nullptr ? ScrollInfo{} : control->scroll;
}

void FakeDialog::SetTrackbarRange(int id, int min, int max) {
  if (Control* control = Find(id, "SetTrackbarRange", {ControlKind::kTrackbar})) {
    control->trackMin = min;
    control->trackMax = std::max(min, max);
    control->trackPos = std::clamp(control->trackPos, control->trackMin, control->trackMax);
  }
}

void FakeDialog::SetTrackbarPos(int id, int pos) {
  if (Control* control = Find(id, "SetTrackbarPos", {ControlKind::kTrackbar})) {
    control->trackPos = std::clamp(pos, control->trackMin, control->trackMax);
  }
}

int FakeDialog::TrackbarPos(int id) const {
  const Control* control = Find(id, "TrackbarPos", {ControlKind::kTrackbar});
  return control == nullptr ? 0 : control->trackPos;
}

// --- Painting

void FakeDialog::Invalidate(int id) {
  if (Control* control = Find(id, "Invalidate")) {
    control->invalid = true;
  }
}

void FakeDialog::Draw(int id, Control& control) {
  control.invalid = false;
  // Only pictures are painted by the program; the toolkit draws the rest itself.
  if (control.layout->kind != ControlKind::kPicture || !control.visible) {
    return;
  }
  ++control.draws;
  if (onDraw) {
    onDraw(id);
  }
}

void FakeDialog::Update(int id) {
  Control* control = Find(id, "Update");
  if (control != nullptr && control->invalid) {
    Draw(id, *control);
  }
}

void FakeDialog::InvalidateAll() {
  ++wholeDialogInvalidations_;
  for (auto& [id, control] : controls_) {
    control.invalid = true;
  }
}

void FakeDialog::UpdateAll() {
  PaintPending();
}

int FakeDialog::PaintPending() {
  int painted = 0;
  for (int id : order_) {
    Control& control = controls_.at(id);
    if (control.invalid) {
      const int before = control.draws;
      Draw(id, control);
      painted += control.draws - before;
    }
  }
  return painted;
}

int FakeDialog::DrawCount(int id) const {
  const Control* control = Find(id, "DrawCount");
  return control == nullptr ? 0 : control->draws;
}

void FakeDialog::ResetPaintCounts() {
  wholeDialogInvalidations_ = 0;
  for (auto& [id, control] : controls_) {
    control.invalid = false;
    control.draws = 0;
  }
}

// --- Geometry

ScreenRect FakeDialog::ControlScreenRect(int id) const {
  const Control* control = Find(id, "ControlScreenRect");
  if (control == nullptr) {
    return {};
  }
  const PixelRect r = ClientRectPixels(*control->layout);
  return {origin_.x + r.left, origin_.y + r.top, origin_.x + r.right(), origin_.y + r.bottom()};
}

ScreenPoint FakeDialog::CursorPos() const {
  return cursor_;
}

int FakeDialog::ControlAt(ScreenPoint point) const {
  const int x = point.x - origin_.x;
  const int y = point.y - origin_.y;
  // Later controls lie above earlier ones.
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    const Control& control = controls_.at(*it);
    if (!control.visible || PassesPointer(control.layout->kind)) {
      continue;
    }
    if (Contains(WidgetRectPixels(*control.layout), x, y)) {
      return *it;
    }
  }
  const PixelRect dialog{0, 0, MainDialogWidthPx(), MainDialogHeightPx()};
  return Contains(dialog, x, y) ? kHitDialog : kHitNothing;
}

ScreenPoint FakeDialog::PointIn(int id, int dx, int dy) const {
  const ScreenRect r = ControlScreenRect(id);
  return {r.left + dx, r.top + dy};
}

// --- Message boxes

MessageBoxButton FakeDialog::ShowMessageBox(std::string_view text, std::string_view caption,
                                            MessageBoxStyle style, std::string_view detail) {
  MessageBoxRecord record{
      std::string(text), std::string(caption), style,
      style == MessageBoxStyle::kYesNo ? MessageBoxButton::kYes : MessageBoxButton::kOk,
      std::string(detail)};
  messageBoxes_.push_back(record);
  if (whileMessageBoxOpen) {
    whileMessageBoxOpen(record);
  }
  return record.answer;
}

// --- Posted messages

void FakeDialog::Post(PostedMessage message) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(message);
}

void FakeDialog::PostCommand(int id, NotifyCode code) {
  if (!Exists(id)) {
    Misuse("PostCommand: no control " + std::to_string(id));
    return;
  }
  Post({PostedMessage::Kind::kCommand, id, code});
}

void FakeDialog::PostPlayerStopped() {
  Post({PostedMessage::Kind::kPlayerStopped, 0, NotifyCode::kClicked});
}

void FakeDialog::PostExitRequest() {
  Post({PostedMessage::Kind::kExitRequest, 0, NotifyCode::kClicked});
}

std::vector<FakeDialog::PostedMessage> FakeDialog::Posted() const {
  std::lock_guard lock(postedMutex_);
  return {posted_.begin(), posted_.end()};
}

std::optional<FakeDialog::PostedMessage> FakeDialog::PopPosted() {
  std::lock_guard lock(postedMutex_);
  if (posted_.empty()) {
    return std::nullopt;
  }
  PostedMessage message = posted_.front();
  posted_.pop_front();
  return message;
}

int FakeDialog::DeliverPosted() {
  int delivered = 0;
  while (std::optional<PostedMessage> message = PopPosted()) {
    if (++delivered > kDeliveryLimit) {
      Misuse("DeliverPosted: the dialog keeps posting; giving up");
      break;
    }
    const std::function<void()>& sink =
        message->kind == PostedMessage::Kind::kPlayerStopped ? onPlayerStopped : onExitRequest;
    if (message->kind == PostedMessage::Kind::kCommand) {
      Send(message->id, message->code);
    } else if (!sink) {
      Misuse("DeliverPosted: no sink for a posted message");
    } else {
      sink();
    }
  }
  return delivered;
}

// --- Timers

bool FakeDialog::StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) {
  if (intervalMs <= 0 || !onTimer) {
    return false;
  }
  Timer& timer = timers_[timerId];
  timer.intervalMs = intervalMs;
  timer.callback = std::move(onTimer);
  timer.running = true;
  ++timer.starts;
  return true;
}

void FakeDialog::StopTimer(int timerId) {
  auto it = timers_.find(timerId);
  if (it != timers_.end() && it->second.running) {
    it->second.running = false;
    it->second.callback = nullptr;
  }
}

bool FakeDialog::TimerRunning(int timerId) const {
  auto it = timers_.find(timerId);
  return it != timers_.end() && it->second.running;
}

int FakeDialog::TimerInterval(int timerId) const {
  return TimerRunning(timerId) ? timers_.at(timerId).intervalMs : 0;
}

int FakeDialog::TimerStartCount(int timerId) const {
  auto it = timers_.find(timerId);
  return it == timers_.end() ? 0 : it->second.starts;
}

bool FakeDialog::FireTimer(int timerId) {
  if (!TimerRunning(timerId)) {
    return false;
  }
  // A copy: the callback may stop or restart its own timer.
  std::function<void()> callback = timers_.at(timerId).callback;
  callback();
  return true;
}

// --- The user

void FakeDialog::Send(int id, NotifyCode code) {
  if (!onCommand) {
    Misuse("no onCommand sink for control " + std::to_string(id));
    return;
  }
  onCommand(id, code);
}

void FakeDialog::UserSelect(int id, int index) {
  Control* control = FindForUser(id, "UserSelect", {ControlKind::kComboBox});
  if (control == nullptr) {
    return;
  }
  if (index < 0 || index >= static_cast<int>(control->items.size())) {
    Misuse("UserSelect: list " + std::to_string(id) + " has no item " + std::to_string(index));
    return;
  }
  control->selection = index;
  Send(id, NotifyCode::kSelChange);
}

void FakeDialog::UserClick(int id) {
  Control* control =
      FindForUser(id, "UserClick",
                  {ControlKind::kPushButton, ControlKind::kRadioButton, ControlKind::kCheckBox});
  if (control == nullptr) {
    return;
  }
  if (control->layout->kind == ControlKind::kCheckBox) {
    control->checked = !control->checked;
  } else if (control->layout->kind == ControlKind::kRadioButton) {
    for (auto& [otherId, other] : controls_) {
      if (other.layout->kind == ControlKind::kRadioButton && control->layout->radioGroup != 0 &&
          other.layout->radioGroup == control->layout->radioGroup) {
        other.checked = false;
      }
    }
    control->checked = true;
  }
  Send(id, NotifyCode::kClicked);
}

void FakeDialog::UserNotify(int id, NotifyCode code) {
  if (FindForUser(id, "UserNotify", {}) != nullptr) {
    Send(id, code);
  }
}

void FakeDialog::UserScroll(int id, ScrollCode code, int thumb) {
  if (FindForUser(id, "UserScroll", {ControlKind::kScrollBar}) == nullptr) {
    return;
  }
  if (!onScroll) {
    Misuse("UserScroll: no onScroll sink");
    return;
  }
  onScroll(id, code, thumb);
}

void FakeDialog::UserDragTrackbar(int id, int pos) {
  Control* control = FindForUser(id, "UserDragTrackbar", {ControlKind::kTrackbar});
  if (control == nullptr) {
    return;
  }
  if (!onScroll) {
    Misuse("UserDragTrackbar: no onScroll sink");
    return;
  }
  control->trackPos = std::clamp(pos, control->trackMin, control->trackMax);
  onScroll(id, ScrollCode::kThumbTrack, control->trackPos);
  onScroll(id, ScrollCode::kEnd, 0);
}

void FakeDialog::UserClickAt(ScreenPoint point) {
  cursor_ = point;
  // An ordinary control takes the click itself; the dialog hears only clicks
  // on its background and on the controls that let the pointer through.
  if (ControlAt(point) != kHitDialog) {
    return;
  }
  if (!onLeftButtonUp) {
    Misuse("UserClickAt: no onLeftButtonUp sink");
    return;
  }
  onLeftButtonUp();
}

void FakeDialog::UserKey(int key) {
  if (!onKey) {
    Misuse("UserKey: no onKey sink");
    return;
  }
  onKey(key);
}

}  // namespace tessaly
