; The Windows installer of Bumblepad (NSIS 3, single-byte like the programs).
; Built by cmake/package_windows.cmake:
;   makensis -DVERSION=1.0.0.1 -DSTAGE=<folder with the files> -DICON=<.ico> -DOUTFILE=<setup.exe> Bumblepad.nsi
; The installation is the part the programs leave to it: the programs and the
; pictures and sounds folders in one folder, the settings key
; HKLM\Software\Bumblepad that every user of the machine may open with full
; access, and the hand-over "Bumblepad.exe install <folder>", which starts
; the controller working in that folder. Also Start-menu entries, a start at
; log-on through the same hand-over, and an uninstaller.

Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Bumblepad"
!define SETTINGS_KEY "Software\Bumblepad"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Bumblepad"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}"
!pragma warning disable 9100  ; no LegalCopyright: the programs' own version records name none either
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_TEXT "Bumblepad is installed and running: its icon is in the notification area. It starts again whenever someone logs on.$\r$\n$\r$\nAdd your own pictures and sounds with Trovebox (Start menu, Bumblepad)."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!define MUI_UNCONFIRMPAGE_TEXT_TOP "Bumblepad will be ended and removed from the folder below, together with the pictures and sounds in it (also those added with Trovebox)."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Ends a running controller: WM_CLOSE runs its orderly exit (drive doors
; released, power policy restored, settings saved); one that does not end
; within ten seconds is terminated.
!macro EndController UN
Function ${UN}EndController
  FindWindow $0 "Bumblepad" "Bumblepad"
  ${If} $0 == 0
    Return
  ${EndIf}
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
  System::Call 'kernel32::OpenProcess(i 0x100001, i 0, i r1) p .r2'  ; SYNCHRONIZE | PROCESS_TERMINATE
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  System::Call 'kernel32::WaitForSingleObject(p r2, i 10000) i .r3'
  ${If} $3 != 0
    System::Call 'kernel32::TerminateProcess(p r2, i 0)'
    System::Call 'kernel32::WaitForSingleObject(p r2, i 5000)'
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r2)'
FunctionEnd
!macroend
!insertmacro EndController ""
!insertmacro EndController "un."

Section "Bumblepad"
  Call EndController
  SetOutPath "$INSTDIR"
  File "${STAGE}\Bumblepad.exe"
  File "${STAGE}\Hookwell.dll"
  File "${STAGE}\Trovebox.exe"
  File "${STAGE}\FreeImage.dll"
  SetOutPath "$INSTDIR\pictures"
  File "${STAGE}\pictures\*.*"
  SetOutPath "$INSTDIR\sounds"
  File "${STAGE}\sounds\*.*"
  SetOutPath "$INSTDIR\licences"
  File "${STAGE}\licences\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The settings key. The controller opens it with full access
  ; (KEY_ALL_ACCESS), so every user of the machine gets full access to it:
  ; SYSTEM, the Administrators and the Users group (S-1-5-32-545), also on
  ; sub-keys. A key left by an earlier installation keeps its settings and
  ; gets the same access. Where the system has no security descriptors, the
  ; key is made without one.
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorA(t "D:(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KA;;;BU)", i 1, *p .r1, p 0) i .r0'
  ${If} $0 == 0
  ${OrIf} $0 == "error"
    StrCpy $1 0
  ${EndIf}
  System::Call '*(i 12, p r1, i 0) p .r2'  ; SECURITY_ATTRIBUTES
  ${If} $1 == 0
    StrCpy $2 0
  ${EndIf}
  System::Call 'advapi32::RegCreateKeyExA(p 0x80000002, t "${SETTINGS_KEY}", i 0, p 0, i 0, i 0xF003F, p r2, *p .r3, *i .r4) i .r5'
  ${If} $5 != 0
    DetailPrint "The settings key could not be created (error $5)."
    Abort "The settings key HKEY_LOCAL_MACHINE\${SETTINGS_KEY} could not be created."
  ${EndIf}
  ${If} $1 != 0
    System::Call 'advapi32::RegSetKeySecurity(p r3, i 4, p r1)'  ; DACL_SECURITY_INFORMATION
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  System::Call 'advapi32::RegCloseKey(p r3)'
  ${If} $2 != 0
    System::Free $2
  ${EndIf}

  ; Start-menu entries for every user; both programs work in the
  ; installation folder (Trovebox keeps its pictures and sounds there).
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Bumblepad.lnk" "$INSTDIR\Bumblepad.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Trovebox.lnk" "$INSTDIR\Trovebox.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall Bumblepad.lnk" "$INSTDIR\Uninstall.exe"

  ; Start at log-on through the hand-over, which sets the working directory.
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Bumblepad.exe" install $INSTDIR'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Bumblepad.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The hand-over: Bumblepad starts itself again working in the folder.
  Exec '"$INSTDIR\Bumblepad.exe" install $INSTDIR'
SectionEnd

Section "Uninstall"
  Call un.EndController

  ; Release every drive door, whatever a controller that was killed left
  ; held: Hookwell's ForceUnlock with all 26 drives selected (a C++ function,
  ; so the cdecl convention and the decorated name).
  System::Alloc 26
  Pop $1
  ${For} $2 0 25
    IntOp $3 $1 + $2
    System::Call '*$3(&i1 1)'
  ${Next}
  System::Call '$INSTDIR\Hookwell.dll::_Z11ForceUnlockbPKb(i 0, p r1) ?cu'
  System::Free $1

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  SetShellVarContext all
  RMDir /r "$SMPROGRAMS\${PRODUCT}"

  Delete "$INSTDIR\Bumblepad.exe"
  Delete "$INSTDIR\Hookwell.dll"
  Delete "$INSTDIR\Trovebox.exe"
  Delete "$INSTDIR\FreeImage.dll"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /r "$INSTDIR\pictures"
  RMDir /r "$INSTDIR\sounds"
  RMDir /r "$INSTDIR\licences"
  RMDir "$INSTDIR"
SectionEnd
