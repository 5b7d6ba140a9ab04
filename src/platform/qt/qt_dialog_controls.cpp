// QtDialog: lists, texts, checks, visibility, scroll bars and the trackbar.

#include "platform/qt/qt_dialog.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>

#include <algorithm>

#include "platform/qt/qt_text.h"

namespace tessaly {
namespace {

// The scroll bar's state as the program may hold it: max at least min, the page
// within the range, the position where the thumb still fits.
ScrollInfo Normalised(ScrollInfo s) {
  s.max = std::max(s.max, s.min);
  s.page = std::clamp(s.page, 0, s.max - s.min + 1);
  s.pos = std::clamp(s.pos, s.min, std::max(s.min, s.max - std::max(s.page - 1, 0)));
  return s;
}

}  // namespace

// --- Lists

int QtDialog::AddItem(int id, std::string_view text) {
  Control* control = Find(id, {ControlKind::kComboBox});
  if (control == nullptr) {
    return -1;
  }
  auto* combo = static_cast<QComboBox*>(control->widget);
  const QSignalBlocker quiet(combo);
  const int selection = combo->currentIndex();
  combo->addItem(ToQString(text), 0);
  // Adding to an empty list must not select the new item: the program selects.
  combo->setCurrentIndex(selection);
  return combo->count() - 1;
}

void QtDialog::ClearItems(int id) {
  if (Control* control = Find(id, {ControlKind::kComboBox})) {
    const QSignalBlocker quiet(control->widget);
    static_cast<QComboBox*>(control->widget)->clear();
  }
}

int QtDialog::ItemCount(int id) const {
  const Control* control = Find(id, {ControlKind::kComboBox});
  return control == nullptr ? 0 : static_cast<QComboBox*>(control->widget)->count();
}

std::string QtDialog::ItemText(int id, int index) const {
  const Control* control = Find(id, {ControlKind::kComboBox});
  if (control == nullptr) {
    return {};
  }
  auto* combo = static_cast<QComboBox*>(control->widget);
  if (index < 0 || index >= combo->count()) {
    return {};
  }
  return ToUtf8(combo->itemText(index));
}

void QtDialog::SetItemData(int id, int index, int data) {
  Control* control = Find(id, {ControlKind::kComboBox});
  if (control == nullptr) {
    return;
  }
  auto* combo = static_cast<QComboBox*>(control->widget);
  if (index >= 0 && index < combo->count()) {
    combo->setItemData(index, data);
  }
}

int QtDialog::ItemData(int id, int index) const {
  const Control* control = Find(id, {ControlKind::kComboBox});
  if (control == nullptr) {
    return -1;
  }
  auto* combo = static_cast<QComboBox*>(control->widget);
  if (index < 0 || index >= combo->count()) {
    return -1;
  }
  return combo->itemData(index).toInt();
}

void QtDialog::SetSelection(int id, int index) {
  Control* control = Find(id, {ControlKind::kComboBox});
  if (control == nullptr) {
    return;
  }
  auto* combo = static_cast<QComboBox*>(control->widget);
  const QSignalBlocker quiet(combo);
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int QtDialog::Selection(int id) const {
  const Control* control = Find(id, {ControlKind::kComboBox});
  return control == nullptr ? -1 : static_cast<QComboBox*>(control->widget)->currentIndex();
}

// --- Texts, checks, enabling, visibility

void QtDialog::SetText(int id, std::string_view text) {
  Control* control = Find(id);
  if (control == nullptr) {
    return;
  }
  const QString value = ToQString(text);
  QWidget* widget = control->widget;
  switch (control->layout->kind) {
    case ControlKind::kEdit: {
      auto* edit = static_cast<QLineEdit*>(widget);
      edit->setText(value);
      ShowBeginning(*edit);
      break;
    }
    case ControlKind::kLabel:
      static_cast<QLabel*>(widget)->setText(value);
      break;
    case ControlKind::kGroupBox:
      static_cast<QGroupBox*>(widget)->setTitle(value);
      break;
    case ControlKind::kPushButton:
    case ControlKind::kRadioButton:
    case ControlKind::kCheckBox:
      static_cast<QAbstractButton*>(widget)->setText(value);
      break;
    default:
      widget->setWindowTitle(value);
      break;
  }
}

std::string QtDialog::Text(int id) const {
  const Control* control = Find(id);
  if (control == nullptr) {
    return {};
  }
  QWidget* widget = control->widget;
  switch (control->layout->kind) {
    case ControlKind::kEdit:
      return ToUtf8(static_cast<QLineEdit*>(widget)->text());
    case ControlKind::kLabel:
      return ToUtf8(static_cast<QLabel*>(widget)->text());
    case ControlKind::kGroupBox:
      return ToUtf8(static_cast<QGroupBox*>(widget)->title());
    case ControlKind::kPushButton:
    case ControlKind::kRadioButton:
    case ControlKind::kCheckBox:
      return ToUtf8(static_cast<QAbstractButton*>(widget)->text());
    case ControlKind::kComboBox:
      return ToUtf8(static_cast<QComboBox*>(widget)->currentText());
    default:
      return ToUtf8(widget->windowTitle());
  }
}

void QtDialog::SetChecked(int id, bool checked) {
  if (Control* control = Find(id, {ControlKind::kRadioButton, ControlKind::kCheckBox})) {
    static_cast<QAbstractButton*>(control->widget)->setChecked(checked);
  }
}

bool QtDialog::IsChecked(int id) const {
  const Control* control = Find(id, {ControlKind::kRadioButton, ControlKind::kCheckBox});
  return control != nullptr && static_cast<QAbstractButton*>(control->widget)->isChecked();
}

void QtDialog::Enable(int id, bool enabled) {
  if (Control* control = Find(id)) {
    control->widget->setEnabled(enabled);
  }
}

bool QtDialog::IsEnabled(int id) const {
  const Control* control = Find(id);
  return control != nullptr && control->widget->isEnabled();
}

void QtDialog::Show(int id, bool visible) {
  if (Control* control = Find(id)) {
    control->widget->setVisible(visible);
    update();  // a picture's edge belongs to the dialog
  }
}

bool QtDialog::IsVisible(int id) const {
  // The control's own state, also while the dialog itself is not shown.
  const Control* control = Find(id);
  return control != nullptr && !control->widget->isHidden();
}

// --- Scroll bars and the trackbar

void QtDialog::ApplyScroll(Control& control) {
  auto* bar = static_cast<QScrollBar*>(control.widget);
  const ScrollInfo& s = control.scroll;
  const QSignalBlocker quiet(bar);
  bar->setRange(s.min, std::max(s.min, s.max - std::max(s.page - 1, 0)));
  bar->setPageStep(std::max(s.page, 1));
  bar->setValue(s.pos);
  bar->setSliderPosition(s.pos);
}

void QtDialog::SetScrollInfo(int id, const ScrollInfo& info) {
  if (Control* control = Find(id, {ControlKind::kScrollBar})) {
    control->scroll = Normalised(info);
    ApplyScroll(*control);
  }
}

ScrollInfo QtDialog::GetScrollInfo(int id) const {
  const Control* control = Find(id, {ControlKind::kScrollBar});
  return control == nullptr ? ScrollInfo{} : control->scroll;
}

void QtDialog::SetTrackbarRange(int id, int min, int max) {
  if (Control* control = Find(id, {ControlKind::kTrackbar})) {
    auto* slider = static_cast<QSlider*>(control->widget);
    const QSignalBlocker quiet(slider);
    slider->setRange(min, std::max(min, max));
  }
}

void QtDialog::SetTrackbarPos(int id, int pos) {
  if (Control* control = Find(id, {ControlKind::kTrackbar})) {
    auto* slider = static_cast<QSlider*>(control->widget);
    const QSignalBlocker quiet(slider);
    slider->setValue(std::clamp(pos, slider->minimum(), slider->maximum()));
  }
}

int QtDialog::TrackbarPos(int id) const {
  const Control* control = Find(id, {ControlKind::kTrackbar});
  // The slider position is the thumb's place also while an action is under
  // way, before Qt has made it the value.
  return control == nullptr ? 0 : static_cast<QSlider*>(control->widget)->sliderPosition();
}

}  // namespace tessaly
