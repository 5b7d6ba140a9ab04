#pragma once

// The main dialog on Qt Widgets: one widget per control of the dialog template,
// placed at the template's pixel geometry, reached through DialogControls.
// What the user does comes out through the on* sinks, the same ones FakeDialog
// offers, so the wiring to CMainDialog is identical for both.

#include <QKeyEvent>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "display/raster.h"
#include "shell/big_hint_logic.h"
#include "shell/dialog_template.h"
#include "views/dialog_controls.h"
#include "views/dialog_events.h"

class QScrollBar;
class QSlider;
class QTimer;

namespace tessaly {

class QtPicture;

// What the user does comes out through the DialogEvents it is.
class QtDialog final : public QWidget, public DialogControls, public HintHost, public DialogEvents {
 public:
  explicit QtDialog(QWidget* parent = nullptr);  // the main dialog
  QtDialog(std::span<const ControlTemplate> controls, QWidget* parent = nullptr);
  ~QtDialog() override;

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
  ScreenPoint CursorPos() const override;
  int ControlAt(ScreenPoint point) const override;
  MessageBoxButton ShowMessageBox(std::string_view text, std::string_view caption,
                                  MessageBoxStyle style, std::string_view detail = {}) override;
  void PostCommand(int id, NotifyCode code) override;
  // Safe from any thread while the dialog exists; delivered on the GUI thread.
  void PostPlayerStopped() override;
  void PostExitRequest() override;
  void RunWhile(const std::function<bool()>& running) override;
  bool StartTimer(int timerId, int intervalMs, std::function<void()> onTimer) override;
  void StopTimer(int timerId) override;

  // --- What a picture shows. A picture paints its source each time it is
  // painted: first onDraw(id) runs, so the owner can bring the source up to
  // date, then the source's pixels are copied to the screen. The source is
  // either a raster the owner keeps alive (its back buffer) or a copy held here.
  void SetPictureSource(int id, const Raster* raster);
  void SetPictureRaster(int id, Raster raster);

  // Device pixels to a logical pixel on the dialog's screen. Every position
  // and size the dialog gives or takes as DialogControls is in device pixels,
  // so the pictures are painted pixel for pixel at any scaling and a second
  // stays 4 device pixels wide.
  double PixelScale() const { return devicePixelRatioF(); }

  // --- For the frame, the preview and the tests.
  QWidget* Widget(int id) const;  // nullptr for unknown ids
  // Every widget made from the template, labels and group boxes included, in template order.
  const std::vector<QWidget*>& AllWidgets() const { return widgets_; }
  // Times a picture has been painted since the dialog was made.
  int PaintCount(int id) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Enter on push buttons, arrows on radio buttons.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The window system says when the pointer comes onto the dialog and when it
  // leaves it, also for another application's window moving over it.
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool pointerInside_ = false;  // the dialog is the window under the pointer
  int painting_ = 0;            // a picture's owner is drawing in a paint event
  struct Control {
    const ControlTemplate* layout = nullptr;
    QWidget* widget = nullptr;  // owned by the Qt parent (this)
    ScrollInfo scroll;          // scroll bars: what the program set, in its own terms
    bool invalid = false;       // pictures: marked for Update
  };
  struct Timer {
    std::unique_ptr<QTimer> timer;
    std::function<void()> callback;
  };

  void Build(std::span<const ControlTemplate> controls);
  QWidget* MakeWidget(const ControlTemplate& layout);
  void WidenToCaptions();
  void ConnectUser(Control& control);
  void ConnectScrollBar(int id, QScrollBar* bar);
  void ConnectTrackbar(int id, QSlider* slider);
  Control* Find(int id, std::initializer_list<ControlKind> kinds = {});
  const Control* Find(int id, std::initializer_list<ControlKind> kinds = {}) const;
  void Notify(int id, NotifyCode code);
  void ScrollNotify(int id, ScrollCode code, int thumb);
  void ApplyScroll(Control& control);
  void RadioClicked(Control& control);
  void PaintPicture(int id, QtPicture& picture);

  std::vector<QWidget*> widgets_;
  std::vector<const ControlTemplate*> layouts_;  // beside widgets_
  std::map<int, Control> controls_;
  std::map<int, Timer> timers_;

  friend class QtPicture;
};

// The keys the dialog answers wherever the focus is in the frame: Escape (not
// Alt+Esc) as kKeyEscape, F1 as "Help". true when the key was one of them.
bool HandleDialogKey(QKeyEvent& event, const std::function<void(int key)>& onKey,
                     const std::function<void(int id, NotifyCode code)>& onCommand);

}  // namespace tessaly
