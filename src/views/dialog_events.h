#pragma once

// What the user does in the main dialog, as each front end (and FakeDialog)
// reports it. A front end holds one of these and ConnectMainDialog fills it,
// so the routing to CMainDialog is written once.

#include <functional>

#include "views/dialog_controls.h"

namespace tessaly {

class CMainDialog;

struct DialogEvents {
  std::function<void(int id, NotifyCode code)> onCommand;
  std::function<void(int id, ScrollCode code, int thumb)> onScroll;  // scroll bars, trackbar
  std::function<void(int id)> onDraw;                                // a picture is about to paint
  std::function<void(ScreenPoint point)> onLeftButtonUp;             // a click on the dialog itself
  std::function<void(int key)> onKey;                                // kKeyEscape
  std::function<void()> onPlayerStopped;
  std::function<void()> onExitRequest;
};

// Routes every event to the dialog; an exit request goes to onExitRequest,
// which belongs to the front end (closing the frame).
void ConnectMainDialog(DialogEvents& events, CMainDialog& dialog,
                       std::function<void()> onExitRequest);

}  // namespace tessaly
