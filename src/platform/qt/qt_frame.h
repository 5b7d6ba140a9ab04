#pragma once

// The program's frame window: titled "Tessaly", fixed size, minimisable but not
// maximisable, with the "File" and "Help" menus, hosting the main dialog below
// its menu bar.

#include <QWidget>

#include <functional>

#include "platform/qt/qt_dialog.h"

class QMenuBar;

namespace tessaly {

class QtFrame final : public QWidget {
 public:
  explicit QtFrame(QWidget* parent = nullptr);
  ~QtFrame() override;

  QtDialog& Dialog() { return *dialog_; }
  QMenuBar& MenuBar() { return *menuBar_; }

  // The top-left corner to place the frame at; (0, 0) means none was saved.
  void SetSavedPosition(int x, int y);
  // Sizes the frame around the dialog and places it. With View 2 hidden the
  // frame ends 20 pixels below the "View 2" button, so View 2 lies outside. A
  // position of exactly (0, 0) centres the frame on the primary screen; a top
  // above the screen becomes 0. Returns the position used.
  ScreenPoint Layout(bool view2Shown);
  // Where the frame will be when shown normally (also while minimised).
  ScreenPoint RestoredPosition() const;

  // The close box, Alt+F4 and "Exit" in the menu ask through this; the program
  // stops its views and then calls Destroy. Without it the frame just closes.
  std::function<void()> onCloseRequest;
  // Runs once when the frame goes away for good, before it is hidden.
  std::function<void()> onDestroy;
  // Closes the frame for good.
  void Destroy();

  // The modal About box.
  void ShowAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QMenuBar* menuBar_ = nullptr;  // owned by the Qt parent (this)
  QtDialog* dialog_ = nullptr;   // owned by the Qt parent (this)
  int x_ = 0;
  int y_ = 0;
  bool destroying_ = false;
  bool destroyed_ = false;
};

// The About box's texts.
inline constexpr const char* kAboutTitle = "About OrvaneAudioPlayer";
inline constexpr const char* kAboutVersionLine = "Tessaly, Version 1.0";

}  // namespace tessaly
