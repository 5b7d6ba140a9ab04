// tessaly-qt-preview: the frame and the main dialog filled with sample lists,
// texts and test pictures, to check by eye (or in a saved image) that every
// control is legible at the layout's geometry.
//
//   tessaly-qt-preview [--hide-view2] [--screenshot FILE.png]
//
// With --screenshot the window is saved and the program ends at once; that
// works without a display under QT_QPA_PLATFORM=offscreen.

#include <QApplication>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <string>

#include "display/raster.h"
#include "platform/qt/qt_frame.h"
#include "platform/qt/qt_look.h"
#include "views/control_ids.h"

namespace tessaly {
namespace {

struct ViewIds {
  int station, year, month, day, hour, minute, second, values, smooth, method, language, order;
  int noData, name, time, value, stations, stripMain, rulerMain, histogram, hexagram, graph, side,
      rulerGraph, barMain, barGraph, stationBar, server, pseudo, sound;
};

constexpr ViewIds kView1{kIdView1StationList,
                         kIdView1YearList,
                         kIdView1MonthList,
                         kIdView1DayList,
                         kIdView1HourList,
                         kIdView1MinuteList,
                         kIdView1SecondList,
                         kIdView1ValuesList,
                         kIdView1SmoothList,
                         kIdView1HexagramMethodList,
                         kIdView1HexagramLanguageList,
                         kIdView1OrderByList,
                         kIdView1NoDataText,
                         kIdView1HexagramNameText,
                         kIdView1PositionText,
                         kIdView1ValueText,
                         kIdView1StationsText,
                         kIdView1Image,
                         kIdView1PositionStrip,
                         kIdView1HistogramPanel,
                         kIdView1HexagramPanel,
                         kIdView1GraphImage,
                         kIdView1SideStrip,
                         kIdView1GraphPositionStrip,
                         kIdView1StepBar,
                         kIdView1GraphStepBar,
                         kIdView1StationScroll,
                         kIdView1ServerRadio,
                         kIdView1PseudorandomRadio,
                         kIdView1SoundCheck};
constexpr ViewIds kView2{kIdView2StationList,
                         kIdView2YearList,
                         kIdView2MonthList,
                         kIdView2DayList,
                         kIdView2HourList,
                         kIdView2MinuteList,
                         kIdView2SecondList,
                         kIdView2ValuesList,
                         kIdView2SmoothList,
                         kIdView2HexagramMethodList,
                         kIdView2HexagramLanguageList,
                         kIdView2OrderByList,
                         kIdView2NoDataText,
                         kIdView2HexagramNameText,
                         kIdView2PositionText,
                         kIdView2ValueText,
                         kIdView2StationsText,
                         kIdView2Image,
                         kIdView2PositionStrip,
                         kIdView2HistogramPanel,
                         kIdView2HexagramPanel,
                         kIdView2GraphImage,
                         kIdView2SideStrip,
                         kIdView2GraphPositionStrip,
                         kIdView2StepBar,
                         kIdView2GraphStepBar,
                         kIdView2StationScroll,
                         kIdView2ServerRadio,
                         kIdView2PseudorandomRadio,
                         kIdView2SoundCheck};

void FillNumbers(QtDialog& d, int id, int from, int to, int selected, const char* format) {
  for (int n = from; n <= to; ++n) {
    char text[16];
    std::snprintf(text, sizeof text, format, n);
    d.AddItemWithData(id, text, n);
  }
  d.SetSelection(id, selected - from);
}

// A colour map of the kind the graph shows: blue below, green near, red above.
Raster Stripes(int width, int height, int seed) {
  Raster r(width, height);
  for (int y = 0; y < height; y += 4) {
    for (int x = 0; x < width; x += 4) {
      const int v = (x * 7 + y * 13 + seed * 31) % 97;
      const uint32_t c = v < 30 ? Rgb(40, 60, 200) : v < 70 ? Rgb(30, 170, 60) : Rgb(210, 40, 40);
      r.FillRect(x, y, x + 4, y + 4, (x / 4 + y / 4) % 23 == 0 ? kBlack : c);
    }
  }
  return r;
}

Raster Ruler(int width, int height) {
  Raster r(width, height, Rgb(212, 208, 200));
  for (int x = 0; x < width; x += 40) {
    r.FillRect(x, 0, x + 1, height, kBlack);
  }
  r.FillRect(width / 2 - 2, 0, width / 2 + 2, height, Rgb(255, 0, 0));
  return r;
}

Raster Histogram(int width, int height) {
  Raster r(width, height, Rgb(212, 208, 200));
  for (int x = 0; x < width; ++x) {
    const int d = x - width / 2;
    const int h = height - 4 - d * d * (height - 4) / (width * width / 4 + 1);
    r.FillRect(x, height - h, x + 1, height, Rgb(30, 170, 60));
  }
  return r;
}

Raster Hexagram(int width, int height) {
  Raster r(width, height, Rgb(212, 208, 200));
  for (int line = 0; line < 6; ++line) {
    const int y = 3 + line * (height - 4) / 6;
    r.FillRect(3, y, width - 3, y + 3, kBlack);
    if (line % 2 == 1) {
      r.FillRect(width / 2 - 3, y, width / 2 + 3, y + 3, Rgb(212, 208, 200));
    }
  }
  return r;
}

void FillView(QtDialog& d, const ViewIds& v, int seed) {
  const char* stations[] = {"1 - Princeton, NJ, USA", "28 - Neuchatel, Switzerland",
                            "37 - Amsterdam, Netherlands", "2220 (unknown)"};
  for (int i = 0; i < 4; ++i) {
    d.AddItemWithData(v.station, stations[i], i + 1);
  }
  d.SetSelection(v.station, seed % 4);
  FillNumbers(d, v.year, 2024, 2026, 2026, "%d");
  FillNumbers(d, v.month, 1, 12, 12, "%.2d");
  FillNumbers(d, v.day, 1, 31, 28, "%.2d");
  FillNumbers(d, v.hour, 0, 23, 23, "%.2d");
  FillNumbers(d, v.minute, 0, 59, 58, "%.2d");
  FillNumbers(d, v.second, 0, 59, 0, "%.2d");
  FillNumbers(d, v.values, 1, 60, 30, "%d");
  FillNumbers(d, v.smooth, 0, 20, 10, "%d");
  const char* methods[] = {"Sticks", "Coin", "Card"};
  const char* languages[] = {"Chinese", "English", "Russian"};
  for (int i = 0; i < 3; ++i) {
    d.AddItemWithData(v.method, methods[i], i);
    d.AddItemWithData(v.language, languages[i], i);
  }
  d.SetSelection(v.method, 0);
  d.SetSelection(v.language, 1);
  const char* orders[] = {"Host IDs", "Longitude", "Current median", "Current median each time"};
  for (int i = 0; i < 4; ++i) {
    d.AddItemWithData(v.order, orders[i], i);
  }
  d.SetSelection(v.order, 3);
  d.SetText(v.noData, seed == 1 ? "No data for this host" : "");
  d.SetText(v.name, "Ch'ien / The Creative, Heaven");
  d.SetText(v.time, "2026-12-28 23:58:00");
  d.SetText(v.value, "117");
  d.SetText(v.stations, "Hosts: 62");
  d.SetChecked(seed == 1 ? v.server : v.pseudo, true);
  d.SetChecked(v.sound, seed == 1);

  auto picture = [&d](int id, Raster r) { d.SetPictureRaster(id, std::move(r)); };
  auto size = [](int id) { return ClientRectPixels(*FindControl(id)); };
  picture(v.stripMain, Stripes(size(v.stripMain).width, size(v.stripMain).height, seed));
  picture(v.graph, Stripes(size(v.graph).width, size(v.graph).height, seed + 5));
  picture(v.rulerMain, Ruler(size(v.rulerMain).width, size(v.rulerMain).height));
  picture(v.rulerGraph, Ruler(size(v.rulerGraph).width, size(v.rulerGraph).height));
  picture(v.side, Raster(size(v.side).width, size(v.side).height, Rgb(212, 208, 200)));
  picture(v.histogram, Histogram(size(v.histogram).width, size(v.histogram).height));
  picture(v.hexagram, Hexagram(size(v.hexagram).width, size(v.hexagram).height));

  d.SetScrollInfo(v.barMain, {0, 2, 1, 1});
  d.SetScrollInfo(v.barGraph, {0, 2, 1, 1});
  d.SetScrollInfo(v.stationBar, {0, 61, 27, 0});
}

void FillSound(QtDialog& d) {
  const char* scales[] = {"Chromatic", "Major", "Minor", "Maj. pentatonic", "Min. pentatonic"};
  for (int i = 0; i < 5; ++i) {
    d.AddItemWithData(kIdMusicScale, scales[i], i);
  }
  d.SetSelection(kIdMusicScale, 3);
  d.AddItemWithData(kIdBaseFrequency, "130.81   C", -21);
  d.AddItemWithData(kIdBaseFrequency, "523.25   C", 3);
  d.AddItemWithData(kIdBaseFrequency, "1046.50   C", 15);
  d.SetSelection(kIdBaseFrequency, 1);
  const char* fades[] = {"None", "Fade-out", "Fade-in"};
  for (int i = 0; i < 3; ++i) {
    d.AddItemWithData(kIdFade, fades[i], i);
  }
  d.SetSelection(kIdFade, 1);
  d.SetTrackbarPos(kIdVolume, 50);
  d.SetText(kIdView2, "Hide View 2");
}

}  // namespace
}  // namespace tessaly

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessaly::ApplyDialogLook(app);
  const QStringList args = QApplication::arguments();
  const bool view2 = !args.contains(QStringLiteral("--hide-view2"));
  const int shotAt = args.indexOf(QStringLiteral("--screenshot"));
  const QString shot = shotAt >= 0 && shotAt + 1 < args.size() ? args[shotAt + 1] : QString();

  tessaly::QtFrame frame;
  tessaly::QtDialog& dialog = frame.Dialog();
  tessaly::FillView(dialog, tessaly::kView1, 1);
  tessaly::FillView(dialog, tessaly::kView2, 2);
  tessaly::FillSound(dialog);
  dialog.onCommand = [&](int id, tessaly::NotifyCode code) {
    std::printf("command %d, code %d\n", id, int(code));
    if (id == tessaly::kIdExit) {
      frame.Destroy();
    }
  };
  dialog.onScroll = [](int id, tessaly::ScrollCode code, int thumb) {
    std::printf("scroll %d, code %d, thumb %d\n", id, int(code), thumb);
  };
  dialog.onKey = [&](int key) {
    if (key == tessaly::kKeyEscape) {
      frame.Destroy();
    }
  };
  frame.onCloseRequest = [&] { frame.Destroy(); };
  frame.Layout(view2);
  frame.show();

  if (!shot.isEmpty()) {
    QTimer::singleShot(200, &frame, [&] {
      const bool saved = frame.grab().save(shot, "PNG");
      std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(shot));
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return QApplication::exec();
}
