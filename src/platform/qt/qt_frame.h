#pragma once

// The program's frame window: titled "Tessaly", fixed size, minimisable but not
// maximisable, with the "File" and "Help" menus, hosting the main dialog below
// its menu bar.

#include <QAction>
#include <QSignalBlocker>
#include <QWidget>

#include <array>

#include <functional>
#include <optional>

#include "platform/qt/qt_dialog.h"

class QIcon;
class QMenuBar;

namespace tessaly {

class QtFrame final : public QWidget {
 public:
  explicit QtFrame(QWidget* parent = nullptr);
  ~QtFrame() override;

  QtDialog& Dialog() { return *dialog_; }
  QMenuBar& MenuBar() { return *menuBar_; }

  // Puts the frame's top-left corner at the saved position; (0, 0) means none
  // was saved.
  void SetSavedPosition(int x, int y);
  // Sizes the frame around the dialog and places it from where it is now. With
  // View 2 hidden the frame ends 20 pixels below the "View 2" button, so View 2
  // lies outside. A position of exactly (0, 0) centres the frame on the primary
  // screen; a top above the screen becomes 0; a frame whose title bar would lie
  // on no screen is centred too. Returns the position used.
  ScreenPoint Layout(bool view2Shown);
  // Where the frame will be when shown normally (also while minimised).
  ScreenPoint RestoredPosition() const;
  // The position to save at exit: where the frame is, except that a saved
  // position that was off every screen stays saved until the frame is moved.
  ScreenPoint PositionToSave() const;

  // The close box, Alt+F4 and "Exit" in the menu ask through this; the program
  // stops its views and then calls Destroy. Without it the frame just closes.
  std::function<void()> onCloseRequest;
  // Runs once when the frame goes away for good, before it is hidden.
  std::function<void()> onDestroy;
  // Closes the frame for good.
  void Destroy();

  // The modal About box.
  void ShowAbout();

  // "File" → "Save Sound…" (Ctrl+S), "Save Picture…", "Export Samples…".
  std::function<void()> onSaveSound;
  std::function<void()> onSavePicture;
  std::function<void()> onExportSamples;
  // "File" → "Data Server…".
  std::function<void()> onDataServer;
  // "View" → "Follow Live" of View 1 (0) or View 2 (1) was checked or cleared.
  std::function<void(int view, bool on)> onFollowLive;
  // "View" → "Network Statistics (View 1)…" (0) or "(View 2)…" (1).
  std::function<void(int view)> onNetworkStatistics;
  // The frame moved to a screen of another scaling: the dialog's pictures
  // have other sizes in device pixels.
  std::function<void()> onScaleChanged;
  // Shows the saved state of the items without telling onFollowLive.
  void SetFollowLiveChecked(int view, bool on) {
    QSignalBlocker quiet(followLive_[size_t(view & 1)]);
    followLive_[size_t(view & 1)]->setChecked(on);
  }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  static void Run(const std::function<void()>& action) {
    if (action) {
      action();
    }
  }

  std::array<QAction*, 2> followLive_{};  // owned by the menu
  QMenuBar* menuBar_ = nullptr;           // owned by the Qt parent (this)
  QtDialog* dialog_ = nullptr;            // owned by the Qt parent (this)
  bool TitleBarOnAScreen(int x, int y, int frameWidth) const;

  ScreenPoint saved_;
  // Where Layout centred a frame whose saved position was off every screen.
  std::optional<ScreenPoint> rescuedAt_;
  bool destroying_ = false;
  bool destroyed_ = false;
  double pixelScale_ = 0;  // 0 until the window exists
};

// The program's icon (the frame's and the About box's), built into the program.
QIcon ProgramIcon();

// The About box's texts.
inline constexpr const char* kAboutTitle = "About OrvaneAudioPlayer";
inline constexpr const char* kAboutVersionLine = "Tessaly, Version 1.0";

}  // namespace tessaly
