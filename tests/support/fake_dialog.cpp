#include "support/fake_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
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
      control.text = layout.caption;
      order_.push_back(layout.id);
    }
  }
}

FakeDialog::Control& FakeDialog::Find(int id, std::initializer_list<ControlKind> kinds) const {
  auto it = controls_.find(id);
  const bool kindOk = it != controls_.end() &&
                      (kinds.size() == 0 || std::find(kinds.begin(), kinds.end(),
                                                      it->second.layout->kind) != kinds.end());
  if (kindOk) {
    return it->second;
  }
  ADD_FAILURE() << "FakeDialog: no control " << id << " of the kind asked for";
  scratch_ = Control();
  scratch_.layout = controls_.begin()->second.layout;
  return scratch_;
}

FakeDialog::Control& FakeDialog::FindForUser(int id, std::initializer_list<ControlKind> kinds) {
  Control& control = Find(id, kinds);
  EXPECT_TRUE(control.visible && control.enabled)
      << "FakeDialog: a user cannot reach the hidden or disabled control " << id;
  return control;
}

FakeDialog::Item* FakeDialog::ItemAt(int id, int index) const {
  Control& control = Find(id, {ControlKind::kComboBox});
  return index >= 0 && index < int(control.items.size()) ? &control.items[size_t(index)] : nullptr;
}

void FakeDialog::ClearItems(int id) {
  Control& control = Find(id, {ControlKind::kComboBox});
  control.items.clear();
  control.selection = -1;
}

void FakeDialog::SetScrollInfo(int id, const ScrollInfo& info) {
  // Clamped as a platform scroll bar does.
  ScrollInfo s = info;
  s.max = std::max(s.max, s.min);
  s.page = std::clamp(s.page, 0, s.max - s.min + 1);
  s.pos = std::clamp(s.pos, s.min, std::max(s.min, s.max - std::max(s.page - 1, 0)));
  Find(id, {ControlKind::kScrollBar}).scroll = s;
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

void FakeDialog::Update(int id) {
  Control& control = Find(id, {});
  // Only pictures are painted by the program; the toolkit draws the rest itself.
  if (std::exchange(control.invalid, false) && control.layout->kind == ControlKind::kPicture &&
      control.visible) {
    ++control.draws;
    if (onDraw) {
      onDraw(id);
    }
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

ScreenRect FakeDialog::ControlScreenRect(int id) const {
  const PixelRect r = ClientRectPixels(*Find(id, {}).layout);
  const auto scaled = [this](int px) { return px * scalePercent / 100; };
  return {kOrigin.x + scaled(r.left), kOrigin.y + scaled(r.top), kOrigin.x + scaled(r.right()),
          kOrigin.y + scaled(r.bottom())};
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
  return Contains({0, 0, MainDialogWidthPx(), MainDialogHeightPx()}, x, y) ? kHitDialog
                                                                           : kHitNothing;
}

MessageBoxButton FakeDialog::ShowMessageBox(std::string_view text, std::string_view caption,
                                            MessageBoxStyle style, std::string_view detail) {
  messageBoxes_.push_back({std::string(text), std::string(caption), std::string(detail)});
  if (whileMessageBoxOpen) {
    whileMessageBoxOpen(messageBoxes_.back());
  }
  return style == MessageBoxStyle::kYesNo ? MessageBoxButton::kYes : MessageBoxButton::kOk;
}

void FakeDialog::RunWhile(const std::function<bool()>& running) {
  ++waits;
  if (whileWaiting) {
    whileWaiting();
  }
  while (running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void FakeDialog::PostCommand(int id, NotifyCode code) {
  Find(id, {});
  Post({PostedMessage::Kind::kCommand, id, code});
}

void FakeDialog::Post(PostedMessage message) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(message);
}

void FakeDialog::DeliverPosted() {
  for (int delivered = 0; !Posted().empty(); ++delivered) {
    ASSERT_LT(delivered, 100000) << "FakeDialog: the dialog keeps posting";
    std::unique_lock lock(postedMutex_);
    const PostedMessage message = posted_.front();
    posted_.pop_front();
    lock.unlock();
    using Kind = PostedMessage::Kind;
    message.kind == Kind::kCommand         ? onCommand(message.id, message.code)
    : message.kind == Kind::kPlayerStopped ? onPlayerStopped()
                                           : onExitRequest();
  }
}

bool FakeDialog::StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) {
  if (intervalMs <= 0 || !onTimer) {
    return false;
  }
  timers_[timerId] = {intervalMs, std::move(onTimer)};
  return true;
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

void FakeDialog::UserSelect(int id, int index) {
  Control& control = FindForUser(id, {ControlKind::kComboBox});
  ASSERT_TRUE(ItemAt(id, index)) << "FakeDialog: list " << id << " has no item " << index;
  control.selection = index;
  onCommand(id, NotifyCode::kSelChange);
}

void FakeDialog::UserClick(int id) {
  using K = ControlKind;
  Control& control = FindForUser(id, {K::kPushButton, K::kRadioButton, K::kCheckBox});
  if (control.layout->kind == K::kCheckBox) {
    control.on = !control.on;
  } else if (control.layout->kind == K::kRadioButton) {
    for (auto& [otherId, other] : controls_) {
      if (other.layout->kind == K::kRadioButton && control.layout->radioGroup != 0 &&
          other.layout->radioGroup == control.layout->radioGroup) {
        other.on = false;
      }
    }
    control.on = true;
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

void FakeDialog::MoveTrackbar(int id, int pos, ScrollCode code) {
  Control& control = FindForUser(id, {ControlKind::kTrackbar});
  control.trackPos = std::clamp(pos, control.trackMin, control.trackMax);
  onScroll(id, code, code == ScrollCode::kEnd ? 0 : control.trackPos);
}

void FakeDialog::UserClickAt(ScreenPoint point) {
  cursor_ = point;
  // An ordinary control takes the click itself.
  if (ControlAt(point) == kHitDialog) {
    onLeftButtonUp(point);
  }
}

}  // namespace tessaly
