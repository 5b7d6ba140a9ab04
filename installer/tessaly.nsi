; TessalySetup.exe: tessaly.exe, tessaly-render.exe, tessaly-replay.exe, the
; help pages, an uninstaller, a Start-menu entry and the entry in the system's
; list of installed programs. The Windows build's "installer" target runs
;   makensis -DVERSION=x.y.z -DEXE=tessaly.exe -DRENDER=tessaly-render.exe -DREPLAY=tessaly-replay.exe -DHELPDIR=help -DOUTFILE=TessalySetup.exe tessaly.nsi
; Silent use: TessalySetup.exe /S [/D=C:\Folder], Uninstall.exe /S.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!ifndef VERSION | EXE | HELPDIR | OUTFILE
  !error "makensis needs -DVERSION, -DEXE, -DHELPDIR and -DOUTFILE"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaly"

Name "Tessaly"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tessaly"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Tessaly"
VIAddVersionKey /LANG=1033 "FileDescription" "Tessaly Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" ""

!include "MUI2.nsh"
!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\tessaly.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

Section "Tessaly" SecMain
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=tessaly.exe" "${EXE}"
  File "/oname=tessaly-render.exe" "${RENDER}"
  File "/oname=tessaly-replay.exe" "${REPLAY}"
  SetOutPath "$INSTDIR\help"
  File "${HELPDIR}\TessalyEn.html"
  File "${HELPDIR}\TessalyRu.html"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Tessaly.lnk" "$INSTDIR\tessaly.exe"

  SetRegView 64
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tessaly"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tessaly.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there: the user's settings in %APPDATA%\Tessaly
; stay, as do files the user added to the folder.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Tessaly.lnk"
  Delete "$INSTDIR\help\TessalyEn.html"
  Delete "$INSTDIR\help\TessalyRu.html"
  RMDir "$INSTDIR\help"
  Delete "$INSTDIR\tessaly.exe"
  Delete "$INSTDIR\tessaly-render.exe"
  Delete "$INSTDIR\tessaly-replay.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  SetRegView 64
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
