#pragma once

// "File" → "Save Sound…", "Save Picture…" and "Export Samples…" on Windows:
// the same choices as the Qt front end in a small dialog made in code, the
// system's Save As box for the path, and for sound a progress window with
// Cancel that keeps the windows answering. Failures are told in a message box
// with their cause; nothing is left under the chosen name by a cancelled or
// failed save.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tessaly {

class CMainDialog;
class CPlayer;
class CSettings;

// The menu commands, added to the frame's "File" menu by AddMenuItems.
inline constexpr int kCmdSaveSound = 120;
inline constexpr int kCmdSavePicture = 121;
inline constexpr int kCmdExportSamples = 122;

// A modal form: rows of a label and a field (a list, a whole number, a UTC
// time as "YYYY-MM-DD HH:MM:SS"), OK and Cancel. OK checks every field and
// names the first bad one.
class WinForm {
 public:
  // Field i of the form is the control kFirstFieldId + i.
  static constexpr int kFirstFieldId = 1000;

  explicit WinForm(std::string title) : title_(std::move(title)) {}

  int Choice(std::string label, std::vector<std::string> items, int current = 0);
  int Number(std::string label, int64_t min, int64_t max, int64_t value);
  int Time(std::string label, int64_t utc);
  // Runs while the form is shown when the user picks another item of a list.
  std::function<void(WinForm&, int field)> onChoice;

  bool Ask(HWND owner);
  // The chosen item, number or time of a field (after Ask).
  int64_t Value(int field) const { return fields_[size_t(field)].value; }
  // Shows another time in a time field while the form is shown.
  void SetTime(int field, int64_t utc);

 private:
  enum class Kind { kChoice, kNumber, kTime };
  struct Field {
    Kind kind;
    std::string label;
    std::vector<std::string> items;
    int64_t min = 0;
    int64_t max = 0;
    int64_t value = 0;
  };
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Fill();
  bool Read();
  int Add(Field field);

  std::string title_;
  std::vector<Field> fields_;
  HWND window_ = nullptr;
};

// A file type of the Save As box: its description and suffix (".wav").
using FileType = std::pair<std::string, std::string>;

// The path the user chose (UTF-8), with the chosen type's suffix added when
// the name lacks it; "" when cancelled.
std::string AskSavePath(HWND owner, const std::string& title, const std::string& name,
                        const std::vector<FileType>& types);
// A name as the Save As box returned it, with the suffix added when missing
// (compared without case, as Windows names are).
std::string WithSuffix(std::string path, const std::string& suffix);

class WinExport {
 public:
  WinExport(HWND owner, CMainDialog& dialog, CPlayer& player, const CSettings& settings)
      : owner_(owner), dialog_(dialog), player_(player), settings_(settings) {}

  // Puts the three items above the first item of menu (the frame's "File").
  static void AddMenuItems(HMENU menu);
  // Runs the item of a menu command; false for other commands.
  bool OnCommand(int command);

  void SaveSound();
  void SavePicture();
  void ExportSamples();

  // While a sound is rendered the program's windows keep answering, so a
  // close request can come in meanwhile: it cancels the render and returns
  // true (ask again once it has ended); false when nothing is being saved.
  bool CancelRunningSave();

 private:
  void Fail(const char* what, const std::string& cause);

  HWND owner_;
  CMainDialog& dialog_;
  CPlayer& player_;
  const CSettings& settings_;
  std::function<void()> cancelRender_;  // set while a sound is rendered
};

}  // namespace tessaly
