; TessalySetup.exe: tessaly.exe, tessaly-render.exe, tessaly-replay.exe (the data
; server of a first start), the help pages, an uninstaller, a Start-menu entry and the
; entry in the system's list of installed programs. The Windows build's "installer"
; target runs
;   makensis -DVERSION=x.y.z -DEXE=tessaly.exe -DRENDER=tessaly-render.exe -DREPLAY=tessaly-replay.exe -DHELPDIR=help -DOUTFILE=TessalySetup.exe tessaly.nsi
; For the current user only (no administrator: %LOCALAPPDATA%\Programs\Tessaly, the
; entry in HKCU) or for all users (Program Files, HKLM), chosen on a page of its own.
; Silent use: TessalySetup.exe /S [/CurrentUser | /AllUsers] [/D=C:\Folder], Uninstall.exe /S.
; Without a switch: the mode of an earlier install, else all users for an
; administrator and the current user for anyone else.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; A file that cannot be replaced fails the install (Retry or Cancel; Cancel
; when silent) instead of being skipped: an install reported as done must hold
; this version's files.
AllowSkipFiles off
ManifestDPIAware true

!ifndef VERSION | EXE | HELPDIR | OUTFILE
  !error "makensis needs -DVERSION, -DEXE, -DHELPDIR and -DOUTFILE"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaly"

Name "Tessaly"
OutFile "${OUTFILE}"
; No InstallDir: the mode sets the folder, and an $INSTDIR set before .onInit
; can then only come from /D=.
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Tessaly"
VIAddVersionKey /LANG=1033 "FileDescription" "Tessaly Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" ""

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Tessaly"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_FUNCTION OnInstallMode
!include "MultiUser.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunAsUser
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString StillRunning ${LANG_ENGLISH} "Tessaly is still running and did not close when asked. \
Close it, then choose Retry; Cancel stops here and changes nothing."
LangString StillRunning ${LANG_RUSSIAN} "Tessaly всё ещё работает и не закрылась по просьбе. \
Закройте её и нажмите «Повтор»; «Отмена» останавливает всё, ничего не меняя."
LangString PerMachineNeedsAdmin ${LANG_ENGLISH} "Tessaly is installed for all users: \
removing it needs an administrator."
LangString PerMachineNeedsAdmin ${LANG_RUSSIAN} "Tessaly установлена для всех пользователей: \
для удаления нужны права администратора."

LangString FilesInUse ${LANG_ENGLISH} "Some of Tessaly's programs in $INSTDIR are in use and \
could not be removed. Close them (a Tessaly data server, tessaly-replay.exe, may still run), \
then uninstall again."
LangString FilesInUse ${LANG_RUSSIAN} "Некоторые программы Tessaly в $INSTDIR используются \
и не удалены. Закройте их (может работать сервер данных Tessaly, tessaly-replay.exe) \
и удалите снова."

Var CommandLineDir

Function .onInit
  StrCpy $CommandLineDir $INSTDIR
  !insertmacro MULTIUSER_INIT
FunctionEnd

; After each choice of mode: the folder given by /D= wins, then that of an
; earlier install in the same mode, then the mode's default.
Function OnInstallMode
  ${If} $CommandLineDir != ""
    StrCpy $INSTDIR $CommandLineDir
    Return
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; The setup may run elevated (all users, or an administrator installing for
; himself). Explorer runs with the signed-in user's own token, so a program it
; starts never inherits the setup's administrator rights.
Function RunAsUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\tessaly.exe"'
FunctionEnd

; Every open Tessaly window is asked to close, as the user would close it, so
; that it writes its settings and releases its files; then its process is
; waited for. One that stays is the user's to close.
!macro CLOSE_TESSALY UN
; Waits up to 10 s until the file on the stack (if there) can be opened for
; writing. One that stays locked is then reported by the step that needs it.
Function ${UN}WaitUnlocked
  Exch $0
  Push $1
  Push $2
  StrCpy $2 0
  loop:
    IfFileExists "$0" 0 done
    ClearErrors
    FileOpen $1 "$0" a
    IfErrors busy
    FileClose $1
    Goto done
  busy:
    IntOp $2 $2 + 1
    IntCmp $2 50 done
    Sleep 200
    Goto loop
  done:
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function ${UN}CloseTessaly
  Push $0
  Push $1
  Push $2
  Push $3
  retry:
    FindWindow $0 "TessalyFrame"
    StrCmp $0 0 done
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r1)'
    ; SYNCHRONIZE
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
    StrCpy $3 1
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 15000) i .r3'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      ; No handle to wait on (another user's process): watch its window.
      StrCpy $3 0
      watch:
        IsWindow $0 0 gone
        IntOp $3 $3 + 1
        Sleep 200
        IntCmp $3 75 0 watch
        StrCpy $3 1
        Goto waited
      gone:
        StrCpy $3 0
      waited:
    ${EndIf}
    ${If} $3 == 0
      Goto retry
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
    Abort
  done:
  ; The data server a closed Tessaly started ends with it, a moment later: its
  ; file stays locked until then.
  Push "$INSTDIR\tessaly-replay.exe"
  Call ${UN}WaitUnlocked
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_TESSALY ""
!insertmacro CLOSE_TESSALY "un."

Section "Tessaly" SecMain
  SectionIn RO
  Call CloseTessaly
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

  ; The entry goes to the mode's hive: HKLM for all users, HKCU for one.
  ; EstimatedSize in KiB, rounded up, of what is in the folder now.
  ${GetSize} "$INSTDIR" "/S=0B" $0 $1 $2
  IntOp $0 $0 + 1023
  IntOp $0 $0 / 1024
  SetRegView 64
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Tessaly"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Tessaly"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tessaly.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller removes the install whose entry names its own folder, in
; that entry's hive, whatever mode its user would get by default.
Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
  ${ElseIf} $1 == $INSTDIR
    ${If} $MultiUser.Privileges != "Admin"
    ${AndIf} $MultiUser.Privileges != "Power"
      MessageBox MB_OK|MB_ICONSTOP "$(PerMachineNeedsAdmin)" /SD IDOK
      Quit
    ${EndIf}
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
FunctionEnd

; Only what the installer put there: the user's settings in %APPDATA%\Tessaly
; stay, as do files the user added to the folder.
Section "Uninstall"
  Call un.CloseTessaly
  Delete "$INSTDIR\help\TessalyEn.html"
  Delete "$INSTDIR\help\TessalyRu.html"
  RMDir "$INSTDIR\help"
  ; A program still in use stays: then the entry and the Start-menu entry stay
  ; too, so that the user can uninstall again once it is closed.
  ClearErrors
  Delete "$INSTDIR\tessaly.exe"
  Delete "$INSTDIR\tessaly-render.exe"
  Delete "$INSTDIR\tessaly-replay.exe"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(FilesInUse)" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\Tessaly.lnk"
  RMDir "$INSTDIR"
  SetRegView 64
  ; Only this folder's entry: another install's stays.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
