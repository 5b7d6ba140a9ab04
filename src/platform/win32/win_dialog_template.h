#pragma once

// The main dialog's layout turned into an in-memory dialog template
// (DLGTEMPLATE with DLGITEMTEMPLATEs), so that the system creates the real
// controls and converts dialog units with its own base units.

#include <windows.h>

#include <span>
#include <vector>

#include "shell/dialog_template.h"

namespace tessaly {

// The template of a child dialog of widthDu x heightDu holding `controls`, in
// "MS Shell Dlg" 8 pt. The words are DWORD-aligned as CreateDialogIndirect needs.
std::vector<WORD> BuildDialogTemplate(std::span<const ControlTemplate> controls, int widthDu,
                                      int heightDu);

// The window class and style a control of the template is made with.
struct Win32ControlClass {
  const wchar_t* className;  // a system class name
  DWORD style;
  DWORD exStyle;
};
Win32ControlClass ControlClassOf(const ControlTemplate& control);

}  // namespace tessaly
