#include "platform/win32/win_dialog_template.h"

#include <commctrl.h>

#include <string>

#include "platform/wintext/win_text.h"

namespace tessaly {
namespace {

constexpr int kFontPoints = 8;
constexpr const wchar_t* kFontName = L"MS Shell Dlg";

class TemplateWriter {
 public:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void String(const std::wstring& s) {
    for (wchar_t c : s) {
      Word(WORD(c));
    }
    Word(0);
  }
  // Every item begins on a DWORD boundary of the template.
  void AlignDword() {
    if (words_.size() % 2 != 0) {
      Word(0);
    }
  }
  std::vector<WORD>& words() { return words_; }

 private:
  std::vector<WORD> words_;
};

DWORD KindStyle(const ControlTemplate& c) {
  const bool vertical = c.Has(kStyleVertical);
  switch (c.kind) {
    case ControlKind::kGroupBox:
      return BS_GROUPBOX;
    case ControlKind::kRadioButton:
      return BS_AUTORADIOBUTTON;
    case ControlKind::kCheckBox:
      return BS_AUTOCHECKBOX;
    case ControlKind::kComboBox:
      return CBS_DROPDOWNLIST | (c.Has(kStyleVScroll) ? WS_VSCROLL : 0);
    case ControlKind::kPushButton:
      return c.Has(kStyleDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    case ControlKind::kEdit:
      return WS_BORDER | (c.Has(kStyleReadOnly) ? ES_READONLY : 0) |
             (c.Has(kStyleAutoHScroll) ? ES_AUTOHSCROLL : 0) |
             (c.Has(kStyleRightAligned) ? ES_RIGHT : ES_LEFT);
    case ControlKind::kLabel:
      return SS_LEFT;
    case ControlKind::kPicture:
      return SS_OWNERDRAW;
    case ControlKind::kScrollBar:
      return vertical ? SBS_VERT : SBS_HORZ;
    case ControlKind::kTrackbar:
      return (vertical ? TBS_VERT : TBS_HORZ) | (c.Has(kStyleBothSides) ? TBS_BOTH : 0) |
             (c.Has(kStyleNoTicks) ? TBS_NOTICKS : 0);
  }
  return 0;
}

const wchar_t* KindClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::kGroupBox:
    case ControlKind::kRadioButton:
    case ControlKind::kCheckBox:
    case ControlKind::kPushButton:
      return WC_BUTTONW;
    case ControlKind::kComboBox:
      return WC_COMBOBOXW;
    case ControlKind::kEdit:
      return WC_EDITW;
    case ControlKind::kLabel:
    case ControlKind::kPicture:
      return WC_STATICW;
    case ControlKind::kScrollBar:
      return WC_SCROLLBARW;
    case ControlKind::kTrackbar:
      return TRACKBAR_CLASSW;
  }
  return WC_STATICW;
}

}  // namespace

Win32ControlClass ControlClassOf(const ControlTemplate& c) {
  DWORD style = WS_CHILD | WS_VISIBLE | KindStyle(c);
  style |= c.Has(kStyleGroup) ? WS_GROUP : 0;
  style |= c.Has(kStyleTabStop) ? WS_TABSTOP : 0;
  const DWORD exStyle = c.Has(kStyleStaticEdge) ? WS_EX_STATICEDGE : 0;
  return {KindClass(c.kind), style, exStyle};
}

std::vector<WORD> BuildDialogTemplate(std::span<const ControlTemplate> controls, int widthDu,
                                      int heightDu) {
  TemplateWriter t;
  t.Dword(WS_CHILD | DS_SETFONT | WS_CLIPSIBLINGS);
  t.Dword(0);
  t.Word(WORD(controls.size()));
  t.Word(0);
  t.Word(0);
  t.Word(WORD(widthDu));
  t.Word(WORD(heightDu));
  t.Word(0);  // no menu
  t.Word(0);  // the dialog class
  t.Word(0);  // no title
  t.Word(kFontPoints);
  t.String(kFontName);
  for (const ControlTemplate& c : controls) {
    t.AlignDword();
    const Win32ControlClass cls = ControlClassOf(c);
    t.Dword(cls.style);
    t.Dword(cls.exStyle);
    t.Word(WORD(c.rect.x));
    t.Word(WORD(c.rect.y));
    t.Word(WORD(c.rect.width));
    t.Word(WORD(c.rect.height));
    t.Word(WORD(c.id));  // the labels' -1 is the usual 0xFFFF
    t.String(cls.className);
    t.String(Widen(c.caption));
    t.Word(0);  // no creation data
  }
  return std::move(t.words());
}

}  // namespace tessaly
