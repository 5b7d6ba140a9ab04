#include "platform/qt/qt_dialog.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "platform/qt/qt_child.h"
#include "platform/qt/qt_look.h"

namespace tessaly {

// A picture (owner-drawn static): the program supplies its pixels.
class QtPicture final : public QWidget {
 public:
  QtPicture(QtDialog& owner, int id) : QWidget(&owner), owner_(owner), id_(id) {
    // The pointer goes through to the dialog, as the dialog's clicks and the
    // tooltip expect.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  const Raster* source = nullptr;  // the owner's raster, when set
  Raster copy;                     // a raster held here, when no source is set
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { owner_.PaintPicture(id_, *this); }

 private:
  QtDialog& owner_;
  int id_;
};

namespace {

// A drop-down list that reports its opening and closing, as the list's
// platform does (the dialog ignores both, but they are part of the contract).
class QtCombo final : public QComboBox {
 public:
  explicit QtCombo(std::function<void(int code)> notify) : notify_(std::move(notify)) {}

  void showPopup() override {
    notify_(kNotifyDropDown);
    open_ = true;
    QComboBox::showPopup();
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    // Qt also hides a list that never opened; only a real closing counts.
    if (open_) {
      open_ = false;
      notify_(kNotifyCloseUp);
    }
  }

 private:
  std::function<void(int code)> notify_;
  bool open_ = false;
};

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
  return text.toStdString();
}

bool PassesPointer(ControlKind kind) {
  return kind == ControlKind::kPicture || kind == ControlKind::kLabel ||
         kind == ControlKind::kGroupBox;
}

// The scroll code a slider action stands for, or -1 for none.
int ScrollCode(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      return kScrollLineUp;
    case QAbstractSlider::SliderSingleStepAdd:
      return kScrollLineDown;
    case QAbstractSlider::SliderPageStepSub:
      return kScrollPageUp;
    case QAbstractSlider::SliderPageStepAdd:
      return kScrollPageDown;
    case QAbstractSlider::SliderToMinimum:
      return kScrollTop;
    case QAbstractSlider::SliderToMaximum:
      return kScrollBottom;
    default:
      return -1;
  }
}

// The scroll bar's state as the program may hold it: max at least min, the page
// within the range, the position where the thumb still fits.
ScrollInfo Normalised(ScrollInfo s) {
  s.max = std::max(s.max, s.min);
  s.page = std::clamp(s.page, 0, s.max - s.min + 1);
  s.pos = std::clamp(s.pos, s.min, std::max(s.min, s.max - std::max(s.page - 1, 0)));
  return s;
}

// Keeps a line edit's beginning in view, as a platform edit does after its text is set.
void ShowBeginning(QLineEdit& edit) {
  edit.setCursorPosition(0);
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
      auto* combo = MakeChild<QtCombo>(this, [this, id](int code) { Notify(id, code); });
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
    case ControlKind::kEdit: {
      auto* edit = MakeChild<QLineEdit>(this, caption);
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
    case ControlKind::kTrackbar: {
      auto* slider =
          MakeChild<QSlider>(this, layout.Has(kStyleVertical) ? Qt::Vertical : Qt::Horizontal);
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
              [this, id] { Notify(id, kNotifyClicked); });
      break;
    case ControlKind::kPushButton:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
              [this, id] { Notify(id, kNotifyClicked); });
      break;
    case ControlKind::kComboBox:
      // `activated` comes only from the user; the program's selections send nothing.
      connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this,
              [this, id](int) { Notify(id, kNotifySelChange); });
      break;
    case ControlKind::kScrollBar: {
      auto* bar = static_cast<QScrollBar*>(widget);
      // The bar reports what the user did and stays where the program put it;
      // the program moves it with SetScrollInfo. Only a dragged thumb follows
      // the pointer until it is let go.
      connect(bar, &QAbstractSlider::actionTriggered, this, [this, id, bar](int action) {
        Control& c = controls_.at(id);
        if (action == QAbstractSlider::SliderMove && bar->isSliderDown()) {
          ScrollNotify(id, kScrollThumbTrack, bar->sliderPosition());
          return;
        }
        int code = ScrollCode(action);
        if (action == QAbstractSlider::SliderMove) {  // the wheel: a line either way
          code = bar->sliderPosition() > c.scroll.pos ? kScrollLineDown : kScrollLineUp;
        }
        if (code >= 0) {
          ScrollNotify(id, code, 0);
        }
        bar->setSliderPosition(controls_.at(id).scroll.pos);
      });
      connect(bar, &QAbstractSlider::sliderReleased, this, [this, id, bar] {
        ScrollNotify(id, kScrollThumbPosition, bar->sliderPosition());
        ScrollNotify(id, kScrollEnd, 0);
        bar->setValue(controls_.at(id).scroll.pos);
      });
      break;
    }
    case ControlKind::kTrackbar: {
      auto* slider = static_cast<QSlider*>(widget);
      connect(slider, &QAbstractSlider::sliderMoved, this,
              [this, id](int pos) { ScrollNotify(id, kTrackbarThumbTrack, pos); });
      connect(slider, &QAbstractSlider::sliderReleased, this,
              [this, id] { ScrollNotify(id, kTrackbarEndTrack, 0); });
      // Keys, the wheel and clicks beside the thumb move it a line or a page;
      // the handler then reads the new position, which TrackbarPos already gives.
      connect(slider, &QAbstractSlider::actionTriggered, this, [this, id, slider](int action) {
        if (slider->isSliderDown() || action == QAbstractSlider::SliderNoAction) {
          return;
        }
        int code = ScrollCode(action);
        if (action == QAbstractSlider::SliderMove) {
          code = slider->sliderPosition() > slider->value() ? kScrollLineDown : kScrollLineUp;
        }
        if (code >= 0) {
          ScrollNotify(id, code, 0);
        }
        ScrollNotify(id, kTrackbarEndTrack, 0);
      });
      break;
    }
    default:
      break;
  }
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

void QtDialog::Notify(int id, int code) {
  if (onCommand) {
    onCommand(id, code);
  }
}

void QtDialog::ScrollNotify(int id, int code, int thumb) {
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
  Notify(control.layout->id, kNotifyClicked);
}

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

// --- Painting

void QtDialog::SetPictureSource(int id, const Raster* raster) {
  if (Control* control = Find(id, {ControlKind::kPicture})) {
    auto* picture = static_cast<QtPicture*>(control->widget);
    if (picture->source == raster) {
      return;  // unchanged: a repaint here would only schedule another one
    }
    picture->source = raster;
    picture->update();
  }
}

void QtDialog::SetPictureRaster(int id, Raster raster) {
  if (Control* control = Find(id, {ControlKind::kPicture})) {
    auto* picture = static_cast<QtPicture*>(control->widget);
    picture->source = nullptr;
    picture->copy = std::move(raster);
    picture->update();
  }
}

int QtDialog::PaintCount(int id) const {
  const Control* control = Find(id, {ControlKind::kPicture});
  return control == nullptr ? 0 : static_cast<QtPicture*>(control->widget)->paints;
}

void QtDialog::PaintPicture(int id, QtPicture& picture) {
  ++picture.paints;
  if (Control* control = Find(id)) {
    control->invalid = false;
  }
  if (onDraw) {
    onDraw(id);
  }
  QPainter painter(&picture);
  const Raster& raster = picture.source != nullptr ? *picture.source : picture.copy;
  const QColor face = palette().color(QPalette::Window);
  if (raster.empty()) {
    painter.fillRect(picture.rect(), face);
    return;
  }
  painter.drawImage(0, 0, ToImage(raster));
  // A raster smaller than the control leaves the rest in the dialog's colour.
  if (raster.width() < picture.width()) {
    painter.fillRect(raster.width(), 0, picture.width() - raster.width(), picture.height(), face);
  }
  if (raster.height() < picture.height()) {
    painter.fillRect(0, raster.height(), raster.width(), picture.height() - raster.height(), face);
  }
}

void QtDialog::paintEvent(QPaintEvent*) {
  // The pictures' sunken edges lie outside their drawable areas, beneath the
  // widgets: where two pictures touch, neither edge covers the other's pixels.
  QPainter painter(this);
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  for (const auto& [id, control] : controls_) {
    if (!control.layout->Has(kStyleStaticEdge) || control.widget->isHidden()) {
      continue;
    }
    const PixelRect e = EdgeRectPixels(*control.layout);
    painter.fillRect(e.left, e.top, e.width, 1, shadow);
    painter.fillRect(e.left, e.top, 1, e.height, shadow);
    painter.fillRect(e.left, e.bottom() - 1, e.width, 1, light);
    painter.fillRect(e.right() - 1, e.top, 1, e.height, light);
  }
}

void QtDialog::Invalidate(int id) {
  if (Control* control = Find(id)) {
    control->invalid = true;
    control->widget->update();
  }
}

void QtDialog::Update(int id) {
  Control* control = Find(id);
  if (control != nullptr && control->invalid) {
    control->widget->repaint();
    control->invalid = false;
  }
}

void QtDialog::InvalidateAll() {
  for (auto& [id, control] : controls_) {
    control.invalid = true;
    control.widget->update();
  }
  update();
}

void QtDialog::UpdateAll() {
  repaint();
  for (auto& [id, control] : controls_) {
    if (control.invalid) {
      control.widget->repaint();
      control.invalid = false;
    }
  }
}

// --- Geometry

ScreenRect QtDialog::ControlScreenRect(int id) const {
  const Control* control = Find(id);
  if (control == nullptr) {
    return {};
  }
  const QPoint origin = mapToGlobal(QPoint(0, 0));
  const PixelRect r = ClientRectPixels(*control->layout);
  return {origin.x() + r.left, origin.y() + r.top, origin.x() + r.right(), origin.y() + r.bottom()};
}

ScreenPoint QtDialog::CursorPos() const {
  const QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void QtDialog::enterEvent(QEnterEvent* event) {
  pointerInside_ = true;
  QWidget::enterEvent(event);
}

void QtDialog::leaveEvent(QEvent* event) {
  pointerInside_ = false;
  QWidget::leaveEvent(event);
}

int QtDialog::ControlAt(ScreenPoint point) const {
  const QPoint p = mapFromGlobal(QPoint(point.x, point.y));
  // Only where the dialog is the top window: not while it is hidden,
  // minimised, or covered at the pointer by another window.
  if (!isVisible() || window()->isMinimized() || !pointerInside_) {
    return kHitNothing;
  }
  // The frame may cut the dialog off (View 2 hidden): what lies outside is not hit.
  for (const QWidget* w = this; w != nullptr; w = w->parentWidget()) {
    if (!w->rect().contains(w->mapFromGlobal(QPoint(point.x, point.y)))) {
      return kHitNothing;
    }
    if (w->isWindow()) {
      break;
    }
  }
  // Later widgets lie above earlier ones.
  for (std::size_t i = widgets_.size(); i-- > 0;) {
    const QWidget* widget = widgets_[i];
    const ControlTemplate& layout = *layouts_[i];
    // Labels, group boxes and pictures let the pointer through.
    if (layout.id == kStaticControlId || PassesPointer(layout.kind) || widget->isHidden() ||
        !widget->geometry().contains(p)) {
      continue;
    }
    return layout.id;
  }
  return kHitDialog;
}

// --- Message boxes

MessageBoxButton QtDialog::ShowMessageBox(std::string_view text, std::string_view caption,
                                          MessageBoxStyle style, std::string_view detail) {
  QString body = ToQString(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  MessageBoxButton dismissed = MessageBoxButton::kOk;
  switch (style) {
    case MessageBoxStyle::kOk:
      break;
    case MessageBoxStyle::kOkCancel:
      buttons = QMessageBox::Ok | QMessageBox::Cancel;
      dismissed = MessageBoxButton::kCancel;
      break;
    case MessageBoxStyle::kYesNo:
      buttons = QMessageBox::Yes | QMessageBox::No;
      dismissed = MessageBoxButton::kNo;
      break;
  }
  QMessageBox box(QMessageBox::NoIcon, ToQString(caption), body, buttons, this);
  box.setInformativeText(ToQString(detail));
  box.setWindowModality(Qt::WindowModal);
  // The nested event loop keeps timers and posted commands running.
  switch (box.exec()) {
    case QMessageBox::Ok:
      return MessageBoxButton::kOk;
    case QMessageBox::Cancel:
      return MessageBoxButton::kCancel;
    case QMessageBox::Yes:
      return MessageBoxButton::kYes;
    case QMessageBox::No:
      return MessageBoxButton::kNo;
    default:
      return dismissed;
  }
}

// --- Posted messages

void QtDialog::PostCommand(int id, int code) {
  QMetaObject::invokeMethod(
      this, [this, id, code] { Notify(id, code); }, Qt::QueuedConnection);
}

void QtDialog::PostPlayerStopped() {
  // Queued to the dialog's own thread whichever thread calls.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (onPlayerStopped) {
          onPlayerStopped();
        }
      },
      Qt::QueuedConnection);
}

void QtDialog::PostExitRequest() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (onExitRequest) {
          onExitRequest();
        }
      },
      Qt::QueuedConnection);
}

// --- Timers

bool QtDialog::StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) {
  if (intervalMs <= 0 || !onTimer) {
    return false;
  }
  Timer& timer = timers_[timerId];
  if (!timer.timer) {
    timer.timer = std::make_unique<QTimer>();
    timer.timer->setTimerType(Qt::PreciseTimer);
    connect(timer.timer.get(), &QTimer::timeout, this, [this, timerId] {
      auto it = timers_.find(timerId);
      if (it == timers_.end() || !it->second.callback) {
        return;
      }
      // A copy: the callback may stop or restart its own timer.
      std::function<void()> callback = it->second.callback;
      callback();
    });
  }
  timer.callback = std::move(onTimer);
  timer.timer->start(intervalMs);
  return true;
}

void QtDialog::StopTimer(int timerId) {
  auto it = timers_.find(timerId);
  if (it != timers_.end()) {
    it->second.timer->stop();
    it->second.callback = nullptr;
  }
}

// --- Input on the dialog itself

void QtDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && onLeftButtonUp) {
    const QPoint p = event->globalPosition().toPoint();
    onLeftButtonUp({p.x(), p.y()});
  }
  QWidget::mouseReleaseEvent(event);
}

void QtDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (onKey) {
      onKey(kKeyEscape);
    }
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace tessaly
