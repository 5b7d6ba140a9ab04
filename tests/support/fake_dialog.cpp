#include "support/fake_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace tessaly {
namespace {

constexpr ScreenPoint kOrigin{200, 100};

bool Contains(const PixelRect& rect, int x, int y) {
  return x >= rect.left && x < rect.right() && y >= rect.top && y < rect.bottom();
}

}  // namespace

FakeDialog::FakeDialog() {
  for (const ControlTemplate& layout : MainDialogControls()) {
    if (layout.id != kStaticControlId) {
      Control& control = controls_[layout.id];
      control.layout = &layout;
      control.text = std::string(layout.caption);
      order_.push_back(layout.id);
    }
  }
  scratch_.layout = controls_.begin()->second.layout;
}

FakeDialog::Control& FakeDialog::Scratch() const {
  const ControlTemplate* layout = scratch_.layout;
  scratch_ = Control();
  scratch_.layout = layout;
  return scratch_;
}

const FakeDialog::Control& FakeDialog::Find(int id,
                                            std::initializer_list<ControlKind> kinds) const {
  auto it = controls_.find(id);
  if (it == controls_.end()) {
    ADD_FAILURE() << "FakeDialog: no control " << id;
    return Scratch();
  }
  const ControlKind kind = it->second.layout->kind;
  if (kinds.size() != 0 && std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) {
    ADD_FAILURE() << "FakeDialog: control " << id << " is of kind " << int(kind);
    return Scratch();
  }
  return it->second;
}

FakeDialog::Control& FakeDialog::Find(int id, std::initializer_list<ControlKind> kinds) {
  return const_cast<Control&>(std::as_const(*this).Find(id, kinds));
}

FakeDialog::Control& FakeDialog::FindForUser(int id, std::initializer_list<ControlKind> kinds) {
  Control& control = Find(id, kinds);
  EXPECT_TRUE(control.visible && control.enabled)
      << "FakeDialog: a user cannot reach the hidden or disabled control " << id;
  return control;
}

// --- Lists

const FakeDialog::Item* FakeDialog::ItemAt(int id, int index) const {
  const Control& control = Find(id, {ControlKind::kComboBox});
  return index >= 0 && index < int(control.items.size()) ? &control.items[size_t(index)] : nullptr;
}

int FakeDialog::AddItem(int id, std::string_view text) {
  Control& control = Find(id, {ControlKind::kComboBox});
  control.items.push_back({std::string(text), 0});
  return int(control.items.size()) - 1;
}

void FakeDialog::ClearItems(int id) {
  Control& control = Find(id, {ControlKind::kComboBox});
  control.items.clear();
  control.selection = -1;
}

int FakeDialog::ItemCount(int id) const {
  return int(Find(id, {ControlKind::kComboBox}).items.size());
}

std::string FakeDialog::ItemText(int id, int index) const {
  const Item* item = ItemAt(id, index);
  return item ? item->text : std::string();
}

void FakeDialog::SetItemData(int id, int index, int data) {
  if (const Item* item = ItemAt(id, index)) {
    const_cast<Item*>(item)->data = data;
  }
}

int FakeDialog::ItemData(int id, int index) const {
  const Item* item = ItemAt(id, index);
  return item ? item->data : -1;
}

void FakeDialog::SetSelection(int id, int index) {
  Find(id, {ControlKind::kComboBox}).selection = ItemAt(id, index) ? index : -1;
}

int FakeDialog::Selection(int id) const {
  return Find(id, {ControlKind::kComboBox}).selection;
}

// --- Texts, checks, enabling, visibility

void FakeDialog::SetText(int id, std::string_view text) {
  Find(id, {}).text = std::string(text);
}

std::string FakeDialog::Text(int id) const {
  return Find(id, {}).text;
}

void FakeDialog::SetChecked(int id, bool checked) {
  Find(id, {ControlKind::kRadioButton, ControlKind::kCheckBox}).checked = checked;
}

bool FakeDialog::IsChecked(int id) const {
  return Find(id, {ControlKind::kRadioButton, ControlKind::kCheckBox}).checked;
}

void FakeDialog::Enable(int id, bool enabled) {
  Find(id, {}).enabled = enabled;
}

bool FakeDialog::IsEnabled(int id) const {
  return Find(id, {}).enabled;
}

void FakeDialog::Show(int id, bool visible) {
  Find(id, {}).visible = visible;
}

bool FakeDialog::IsVisible(int id) const {
  return Find(id, {}).visible;
}

// --- Scroll bars and trackbars

void FakeDialog::SetScrollInfo(int id, const ScrollInfo& info) {
  // Clamped as a platform scroll bar does.
  ScrollInfo s = info;
  s.max = std::max(s.max, s.min);
  s.page = std::clamp(s.page, 0, s.max - s.min + 1);
  s.pos = std::clamp(s.pos, s.min, std::max(s.min, s.max - std::max(s.page - 1, 0)));
  Find(id, {ControlKind::kScrollBar}).scroll = s;
}

ScrollInfo FakeDialog::GetScrollInfo(int id) const {
  return Find(id, {ControlKind::kScrollBar}).scroll;
}

void FakeDialog::SetTrackbarRange(int id, int min, int max) {
  Control& control = Find(id, {ControlKind::kTrackbar});
  control.trackMin = min;
  control.trackMax = std::max(min, max);
  control.trackPos = std::clamp(control.trackPos, control.trackMin, control.trackMax);
}

void FakeDialog::SetTrackbarPos(int id, int pos) {
  Control& control = Find(id, {ControlKind::kTrackbar});
  control.trackPos = std::clamp(pos, control.trackMin, control.trackMax);
}

int FakeDialog::TrackbarPos(int id) const {
  return Find(id, {ControlKind::kTrackbar}).trackPos;
}

// --- Painting

void FakeDialog::Invalidate(int id) {
  Find(id, {}).invalid = true;
}

void FakeDialog::Draw(int id, Control& control) {
  control.invalid = false;
  // Only pictures are painted by the program; the toolkit draws the rest itself.
  if (control.layout->kind == ControlKind::kPicture && control.visible) {
    ++control.draws;
    if (onDraw) {
      onDraw(id);
    }
  }
}

void FakeDialog::Update(int id) {
  Control& control = Find(id, {});
  if (control.invalid) {
    Draw(id, control);
  }
}

void FakeDialog::InvalidateAll() {
  ++wholeDialogInvalidations_;
  for (auto& [id, control] : controls_) {
    control.invalid = true;
  }
}

void FakeDialog::UpdateAll() {
  for (int id : order_) {
    Update(id);
  }
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
  const PixelRect r = ClientRectPixels(*Find(id, {}).layout);
  return {kOrigin.x + r.left, kOrigin.y + r.top, kOrigin.x + r.right(), kOrigin.y + r.bottom()};
}

int FakeDialog::ControlAt(ScreenPoint point) const {
  const int x = point.x - kOrigin.x;
  const int y = point.y - kOrigin.y;
  // Later controls lie above earlier ones; pictures, labels and group boxes let
  // the pointer through to the dialog.
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    const Control& control = controls_.at(*it);
    const ControlKind kind = control.layout->kind;
    if (control.visible && kind != ControlKind::kPicture && kind != ControlKind::kLabel &&
        kind != ControlKind::kGroupBox && Contains(WidgetRectPixels(*control.layout), x, y)) {
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
  messageBoxes_.push_back({std::string(text), std::string(caption), std::string(detail)});
  if (whileMessageBoxOpen) {
    whileMessageBoxOpen(messageBoxes_.back());
  }
  return style == MessageBoxStyle::kYesNo ? MessageBoxButton::kYes : MessageBoxButton::kOk;
}

// --- Posted messages

void FakeDialog::PostCommand(int id, NotifyCode code) {
  Find(id, {});
  std::lock_guard lock(postedMutex_);
  posted_.push_back({PostedMessage::Kind::kCommand, id, code});
}

void FakeDialog::PostPlayerStopped() {
  std::lock_guard lock(postedMutex_);
  posted_.push_back({PostedMessage::Kind::kPlayerStopped, 0, NotifyCode::kClicked});
}

void FakeDialog::PostExitRequest() {
  std::lock_guard lock(postedMutex_);
  posted_.push_back({PostedMessage::Kind::kExitRequest, 0, NotifyCode::kClicked});
}

std::vector<FakeDialog::PostedMessage> FakeDialog::Posted() const {
  std::lock_guard lock(postedMutex_);
  return {posted_.begin(), posted_.end()};
}

void FakeDialog::DeliverPosted() {
  for (int delivered = 0;; ++delivered) {
    PostedMessage message;
    {
      std::lock_guard lock(postedMutex_);
      if (posted_.empty()) {
        return;
      }
      message = posted_.front();
      posted_.pop_front();
    }
    ASSERT_LT(delivered, 100000) << "FakeDialog: the dialog keeps posting";
    if (message.kind == PostedMessage::Kind::kCommand) {
      onCommand(message.id, message.code);
    } else if (message.kind == PostedMessage::Kind::kPlayerStopped) {
      onPlayerStopped();
    } else {
      onExitRequest();
    }
  }
}

// --- Timers

bool FakeDialog::StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) {
  if (intervalMs <= 0 || !onTimer) {
    return false;
  }
  timers_[timerId] = {intervalMs, std::move(onTimer)};
  ++timerStarts_[timerId];
  return true;
}

void FakeDialog::StopTimer(int timerId) {
  timers_.erase(timerId);
}

int FakeDialog::TimerInterval(int timerId) const {
  return TimerRunning(timerId) ? timers_.at(timerId).intervalMs : 0;
}

int FakeDialog::TimerStartCount(int timerId) const {
  auto it = timerStarts_.find(timerId);
  return it == timerStarts_.end() ? 0 : it->second;
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

void FakeDialog::UserSelect(int id, int index) {
  Control& control = FindForUser(id, {ControlKind::kComboBox});
  ASSERT_TRUE(ItemAt(id, index)) << "FakeDialog: list " << id << " has no item " << index;
  control.selection = index;
  onCommand(id, NotifyCode::kSelChange);
}

void FakeDialog::UserClick(int id) {
  Control& control = FindForUser(
      id, {ControlKind::kPushButton, ControlKind::kRadioButton, ControlKind::kCheckBox});
  if (control.layout->kind == ControlKind::kCheckBox) {
    control.checked = !control.checked;
  } else if (control.layout->kind == ControlKind::kRadioButton) {
    for (auto& [otherId, other] : controls_) {
      if (other.layout->kind == ControlKind::kRadioButton && control.layout->radioGroup != 0 &&
          other.layout->radioGroup == control.layout->radioGroup) {
        other.checked = false;
      }
    }
    control.checked = true;
  }
  onCommand(id, NotifyCode::kClicked);
}

void FakeDialog::UserNotify(int id, NotifyCode code) {
  FindForUser(id, {});
  onCommand(id, code);
}

void FakeDialog::UserScroll(int id, ScrollCode code, int thumb) {
  FindForUser(id, {ControlKind::kScrollBar});
  onScroll(id, code, thumb);
}

void FakeDialog::UserDragTrackbar(int id, int pos) {
  Control& control = FindForUser(id, {ControlKind::kTrackbar});
  control.trackPos = std::clamp(pos, control.trackMin, control.trackMax);
  onScroll(id, ScrollCode::kThumbTrack, control.trackPos);
}

void FakeDialog::UserReleaseTrackbar(int id) {
  FindForUser(id, {ControlKind::kTrackbar});
  onScroll(id, ScrollCode::kEnd, 0);
}

void FakeDialog::UserKeyTrackbar(int id, int pos) {
  Control& control = FindForUser(id, {ControlKind::kTrackbar});
  control.trackPos = std::clamp(pos, control.trackMin, control.trackMax);
  onScroll(id, ScrollCode::kEnd, 0);
}

void FakeDialog::UserClickAt(ScreenPoint point) {
  cursor_ = point;
  // An ordinary control takes the click itself.
  if (ControlAt(point) == kHitDialog) {
    onLeftButtonUp();
  }
}

}  // namespace tessaly
