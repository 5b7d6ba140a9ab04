#pragma once

// The station tooltip's window: frameless, top-most, never activated, with the
// rounded outline and region the tooltip logic computes. It speaks device
// pixels, as the dialog does, and paints its outline pixel for pixel.

#include <QWidget>

#include "shell/big_hint_logic.h"

namespace tessaly {

class QtBigHint final : public QWidget, public BigHintWindow {
 public:
  QtBigHint();
  ~QtBigHint() override;

  HintSize MeasureText(const std::string& text) const override;
  ScreenRect WorkAreaAt(ScreenPoint point) const override;
  void Show(const HintPlacement& placement) override;
  void Hide() override;

  const HintPlacement& placement() const { return placement_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The tooltip's font at the scale of device pixels.
  QFont DeviceFont() const;

  HintPlacement placement_;
};

}  // namespace tessaly
