// QtDialog: the widgets built from the template and the user's input on them.

#include "platform/qt/qt_dialog.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "platform/qt/qt_child.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_picture.h"
#include "platform/qt/qt_text.h"

namespace tessaly {
namespace {

// A drop-down list that reports its opening and closing, as the list's
// platform does (the dialog ignores both, but they are part of the contract).
class QtCombo final : public QComboBox {
 public:
  explicit QtCombo(std::function<void(NotifyCode code)> notify) : notify_(std::move(notify)) {}

  void showPopup() override {
    notify_(NotifyCode::kDropDown);
    open_ = true;
    QComboBox::showPopup();
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    // Qt also hides a list that never opened; only a real closing counts.
    if (open_) {
      open_ = false;
      notify_(NotifyCode::kCloseUp);
    }
  }

 private:
  std::function<void(NotifyCode code)> notify_;
  bool open_ = false;
};

// The scroll code a slider action stands for, if any.
std::optional<ScrollCode> ScrollCodeOf(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      return ScrollCode::kLineUp;
    case QAbstractSlider::SliderSingleStepAdd:
      return ScrollCode::kLineDown;
    case QAbstractSlider::SliderPageStepSub:
      return ScrollCode::kPageUp;
    case QAbstractSlider::SliderPageStepAdd:
      return ScrollCode::kPageDown;
    case QAbstractSlider::SliderToMinimum:
      return ScrollCode::kTop;
    case QAbstractSlider::SliderToMaximum:
      return ScrollCode::kBottom;
    default:
      return std::nullopt;
  }
}

QLineEdit* MakeEdit(QWidget* parent, const ControlTemplate& layout) {
  auto* edit = MakeChild<QLineEdit>(parent, ToQString(layout.caption));
  edit->setReadOnly(layout.Has(kStyleReadOnly));
  edit->setAlignment(layout.Has(kStyleRightAligned) ? Qt::AlignRight | Qt::AlignVCenter
                                                    : Qt::AlignLeft | Qt::AlignVCenter);
  if (layout.Has(kStyleReadOnly)) {
    // Read-only edits sit on the dialog's colour, as on the layout's platform.
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
  }
  edit->setTextMargins(0, 0, 0, 0);
  ShowBeginning(*edit);
  return edit;
}

QSlider* MakeTrackbar(QWidget* parent, const ControlTemplate& layout) {
  auto* slider =
      MakeChild<QSlider>(parent, layout.Has(kStyleVertical) ? Qt::Vertical : Qt::Horizontal);
  slider->setRange(0, 100);
  slider->setSingleStep(1);
  slider->setPageStep(20);  // a fifth of the range, as the platform's trackbar pages
  slider->setTickPosition(QSlider::NoTicks);
  if (layout.Has(kStyleVertical)) {
    // The minimum sits at the top, and Up moves toward it.
    slider->setInvertedAppearance(true);
    slider->setInvertedControls(true);
  }
  return slider;
}

}  // namespace

QtDialog::QtDialog(QWidget* parent) : QtDialog(MainDialogControls(), parent) {}

QtDialog::QtDialog(std::span<const ControlTemplate> controls, QWidget* parent) : QWidget(parent) {
  setFixedSize(MainDialogWidthPx(), MainDialogHeightPx());
  setFocusPolicy(Qt::ClickFocus);  // Escape reaches the dialog after a click on its background
  Build(controls);
}

QtDialog::~QtDialog() {
  for (auto& [id, timer] : timers_) {
    timer.timer->stop();
  }
  // The children go first, while the sinks they might call still exist.
  onCommand = nullptr;
  onScroll = nullptr;
  onDraw = nullptr;
  qDeleteAll(widgets_);
  widgets_.clear();
}

void QtDialog::Build(std::span<const ControlTemplate> controls) {
  for (const ControlTemplate& layout : controls) {
    QWidget* widget = MakeWidget(layout);
    const PixelRect r = WidgetRectPixels(layout);
    widget->setGeometry(r.left, r.top, r.width, r.height);
    widgets_.push_back(widget);
    layouts_.push_back(&layout);
    // Tab visits the template's tab stops in its order (the order made); the
    // other controls take the focus only from a click or an arrow key.
    widget->setFocusPolicy(layout.Has(kStyleTabStop)
                               ? Qt::StrongFocus
                               : Qt::FocusPolicy(widget->focusPolicy() & ~Qt::TabFocus));
    if (layout.kind == ControlKind::kPushButton || layout.kind == ControlKind::kRadioButton) {
      widget->installEventFilter(this);
    }
    if (layout.id == kStaticControlId) {
      continue;
    }
    auto [it, added] = controls_.emplace(layout.id, Control{&layout, widget, {}, false});
    if (added) {
      ConnectUser(it->second);
    }
  }
  WidenToCaptions();
}

// A radio button, check box or label whose caption does not fit its rectangle
// (at this font "Orvane server" is some ten pixels too long) grows to the right
// into free space, up to the next control on its row; nothing else moves.
void QtDialog::WidenToCaptions() {
  constexpr int kGapPx = 2;
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const ControlKind kind = layouts_[i]->kind;
    if (kind != ControlKind::kRadioButton && kind != ControlKind::kCheckBox &&
        kind != ControlKind::kLabel) {
      continue;
    }
    QWidget* widget = widgets_[i];
    const QRect g = widget->geometry();
    int width = widget->sizeHint().width();
    if (width <= g.width()) {
      continue;
    }
    for (std::size_t j = 0; j < widgets_.size(); ++j) {
      if (j == i || layouts_[j]->kind == ControlKind::kGroupBox) {
        continue;
      }
      const PixelRect o = WidgetRectPixels(*layouts_[j]);
      const bool sameRow = o.top < g.top() + g.height() && o.bottom() > g.top();
      if (sameRow && o.left > g.left()) {
        width = std::min(width, o.left - g.left() - kGapPx);
      }
    }
    widget->resize(std::max(width, g.width()), g.height());
  }
}

QWidget* QtDialog::MakeWidget(const ControlTemplate& layout) {
  const QString caption = ToQString(layout.caption);
  const int id = layout.id;
  switch (layout.kind) {
    case ControlKind::kGroupBox: {
      auto* box = MakeChild<QGroupBox>(this, caption);
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      return box;
    }
    case ControlKind::kRadioButton: {
      auto* radio = MakeChild<QRadioButton>(this, caption);
      // Exclusivity is the template's radio group, and the program may clear both.
      radio->setAutoExclusive(false);
      return radio;
    }
    case ControlKind::kCheckBox:
      return MakeChild<QCheckBox>(this, caption);
    case ControlKind::kComboBox: {
      auto* combo = MakeChild<QtCombo>(this, [this, id](NotifyCode code) { Notify(id, code); });
      combo->setEditable(false);
      // The template's height is that of the opened list: show as many rows as fit.
      const int listHeight = ClientRectPixels(layout).height - kComboFieldHeightPx;
      const int rowHeight = std::max(1, combo->fontMetrics().height() + 2);
      combo->setMaxVisibleItems(std::max(1, listHeight / rowHeight));
      return combo;
    }
    case ControlKind::kPushButton: {
      auto* button = MakeChild<QPushButton>(this, caption);
      button->setAutoDefault(false);
      button->setDefault(layout.Has(kStyleDefaultButton));
      return button;
    }
    case ControlKind::kEdit:
      return MakeEdit(this, layout);
    case ControlKind::kLabel: {
      auto* label = MakeChild<QLabel>(this, caption);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      return label;
    }
    case ControlKind::kPicture:
      return MakeChild<QtPicture>(this, *this, id);
    case ControlKind::kScrollBar: {
      auto* bar =
          MakeChild<QScrollBar>(this, layout.Has(kStyleVertical) ? Qt::Vertical : Qt::Horizontal);
      bar->setRange(0, 0);
      bar->setSingleStep(1);
      return bar;
    }
    case ControlKind::kTrackbar:
      return MakeTrackbar(this, layout);
  }
  return MakeChild<QWidget>(this);
}

void QtDialog::ConnectUser(Control& control) {
  const int id = control.layout->id;
  QWidget* widget = control.widget;
  switch (control.layout->kind) {
    case ControlKind::kRadioButton:
      connect(static_cast<QRadioButton*>(widget), &QRadioButton::clicked, this,
              [this, id] { RadioClicked(controls_.at(id)); });
      break;
    case ControlKind::kCheckBox:
      connect(static_cast<QCheckBox*>(widget), &QCheckBox::clicked, this,
              [this, id] { Notify(id, NotifyCode::kClicked); });
      break;
    case ControlKind::kPushButton:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
              [this, id] { Notify(id, NotifyCode::kClicked); });
      break;
    case ControlKind::kComboBox:
      // `activated` comes only from the user; the program's selections send nothing.
      connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this,
              [this, id](int) { Notify(id, NotifyCode::kSelChange); });
      break;
    case ControlKind::kScrollBar:
      ConnectScrollBar(id, static_cast<QScrollBar*>(widget));
      break;
    case ControlKind::kTrackbar:
      ConnectTrackbar(id, static_cast<QSlider*>(widget));
      break;
    default:
      break;
  }
}

void QtDialog::ConnectScrollBar(int id, QScrollBar* bar) {
  // The bar reports what the user did and stays where the program put it;
  // the program moves it with SetScrollInfo. Only a dragged thumb follows
  // the pointer until it is let go.
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, id, bar](int action) {
    Control& c = controls_.at(id);
    if (action == QAbstractSlider::SliderMove && bar->isSliderDown()) {
      ScrollNotify(id, ScrollCode::kThumbTrack, bar->sliderPosition());
      return;
    }
    std::optional<ScrollCode> code = ScrollCodeOf(action);
    if (action == QAbstractSlider::SliderMove) {  // the wheel: a line either way
      code = bar->sliderPosition() > c.scroll.pos ? ScrollCode::kLineDown : ScrollCode::kLineUp;
    }
    if (code) {
      ScrollNotify(id, *code, 0);
    }
    bar->setSliderPosition(controls_.at(id).scroll.pos);
  });
  connect(bar, &QAbstractSlider::sliderReleased, this, [this, id, bar] {
    ScrollNotify(id, ScrollCode::kThumbPosition, bar->sliderPosition());
    ScrollNotify(id, ScrollCode::kEnd, 0);
    bar->setValue(controls_.at(id).scroll.pos);
  });
}

void QtDialog::ConnectTrackbar(int id, QSlider* slider) {
  connect(slider, &QAbstractSlider::sliderMoved, this,
          [this, id](int pos) { ScrollNotify(id, ScrollCode::kThumbTrack, pos); });
  connect(slider, &QAbstractSlider::sliderReleased, this,
          [this, id] { ScrollNotify(id, ScrollCode::kEnd, 0); });
  // Keys, the wheel and clicks beside the thumb move it a line or a page;
  // the handler then reads the new position, which TrackbarPos already gives.
  connect(slider, &QAbstractSlider::actionTriggered, this, [this, id, slider](int action) {
    if (slider->isSliderDown() || action == QAbstractSlider::SliderNoAction) {
      return;
    }
    std::optional<ScrollCode> code = ScrollCodeOf(action);
    if (action == QAbstractSlider::SliderMove) {
      code =
          slider->sliderPosition() > slider->value() ? ScrollCode::kLineDown : ScrollCode::kLineUp;
    }
    if (code) {
      ScrollNotify(id, *code, 0);
    }
    ScrollNotify(id, ScrollCode::kEnd, 0);
  });
}

QtDialog::Control* QtDialog::Find(int id, std::initializer_list<ControlKind> kinds) {
  return const_cast<Control*>(std::as_const(*this).Find(id, kinds));
}

const QtDialog::Control* QtDialog::Find(int id, std::initializer_list<ControlKind> kinds) const {
  auto it = controls_.find(id);
  if (it == controls_.end()) {
    return nullptr;
  }
  if (kinds.size() != 0 &&
      std::find(kinds.begin(), kinds.end(), it->second.layout->kind) == kinds.end()) {
    return nullptr;
  }
  return &it->second;
}

QWidget* QtDialog::Widget(int id) const {
  const Control* control = Find(id);
  return control == nullptr ? nullptr : control->widget;
}

void QtDialog::Notify(int id, NotifyCode code) {
  if (onCommand) {
    onCommand(id, code);
  }
}

void QtDialog::ScrollNotify(int id, ScrollCode code, int thumb) {
  if (onScroll) {
    onScroll(id, code, thumb);
  }
}

void QtDialog::RadioClicked(Control& control) {
  for (auto& [otherId, other] : controls_) {
    if (other.layout->kind == ControlKind::kRadioButton && control.layout->radioGroup != 0 &&
        other.layout->radioGroup == control.layout->radioGroup) {
      static_cast<QRadioButton*>(other.widget)->setChecked(false);
    }
  }
  // A click on the checked radio leaves it checked, whatever the toggle did.
  static_cast<QRadioButton*>(control.widget)->setChecked(true);
  Notify(control.layout->id, NotifyCode::kClicked);
}

// --- Input on the dialog itself

void QtDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && onLeftButtonUp) {
    const QPointF p = event->globalPosition() * PixelScale();
    onLeftButtonUp({int(std::lround(p.x())), int(std::lround(p.y()))});
  }
  QWidget::mouseReleaseEvent(event);
}

void QtDialog::keyPressEvent(QKeyEvent* event) {
  if (HandleDialogKey(*event, onKey, onCommand)) {
    return;
  }
  QWidget::keyPressEvent(event);
}

bool HandleDialogKey(QKeyEvent& event, const std::function<void(int)>& onKey,
                     const std::function<void(int, NotifyCode)>& onCommand) {
  // Alt+Esc is the system's window switch, not the program's end.
  if (event.key() == Qt::Key_Escape && (event.modifiers() & Qt::AltModifier) == 0) {
    if (onKey) {
      onKey(kKeyEscape);
    }
  } else if (event.key() == Qt::Key_F1) {
    if (onCommand) {
      onCommand(kIdHelp, NotifyCode::kClicked);
    }
  } else {
    return false;
  }
  event.accept();
  return true;
}

bool QtDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) {
    return QWidget::eventFilter(watched, event);
  }
  const int key = static_cast<QKeyEvent*>(event)->key();
  auto* button = static_cast<QAbstractButton*>(watched);
  // Enter presses the focused push button (both default buttons are "Play",
  // so nothing else answers Enter).
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && qobject_cast<QPushButton*>(button)) {
    if (button->isEnabled()) {
      button->click();
    }
    return true;
  }
  const bool back = key == Qt::Key_Left || key == Qt::Key_Up;
  if (!back && key != Qt::Key_Right && key != Qt::Key_Down) {
    return QWidget::eventFilter(watched, event);
  }
  // An arrow on a radio button moves to the next of its group, round, and chooses it.
  const auto self = std::find(widgets_.begin(), widgets_.end(), button);
  if (self == widgets_.end() || layouts_[size_t(self - widgets_.begin())]->radioGroup == 0) {
    return QWidget::eventFilter(watched, event);
  }
  const int group = layouts_[size_t(self - widgets_.begin())]->radioGroup;
  const auto count = std::ptrdiff_t(widgets_.size());
  for (std::ptrdiff_t step = 1; step < count; ++step) {
    const std::ptrdiff_t at = ((self - widgets_.begin()) + (back ? -step : step) + count) % count;
    QWidget* other = widgets_[size_t(at)];
    if (layouts_[size_t(at)]->radioGroup == group && other->isEnabled() && other->isVisible()) {
      other->setFocus(Qt::OtherFocusReason);
      static_cast<QAbstractButton*>(other)->click();
      break;
    }
  }
  return true;
}

}  // namespace tessaly
