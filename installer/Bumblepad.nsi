; The Windows installer of Bumblepad (NSIS 3, single-byte like the programs).
; Built by cmake/package_windows.cmake:
;   makensis -DVERSION=<the project's version> -DSTAGE=<folder with the files> -DICON=<.ico> -DOUTFILE=<setup.exe> Bumblepad.nsi
; The installation is the part the programs leave to it: the programs and the
; pictures and sounds folders in one folder of their own, the settings key
; HKLM\Software\Bumblepad whose values every user of the machine may query
; and set, the media folders every user may change, and the hand-over
; "Bumblepad.exe install <folder>", which starts the controller working in
; that folder (as the user at the desktop, not elevated). Also Start-menu
; entries, a start at log-on through the same hand-over, and an uninstaller
; that removes only what an installer of Bumblepad put there.

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
; The settings key: SYSTEM and the Administrators full access; the Users
; group may query and set values (KEY_QUERY_VALUE | KEY_SET_VALUE, 0x3) and
; nothing else: not read or change the key's permissions, take it over,
; create sub-keys or links. Protected (P): nothing is inherited from
; Software, and nothing is handed down.
!define SETTINGS_SDDL "D:P(A;;KA;;;SY)(A;;KA;;;BA)(A;;0x3;;;BU)"
; The media folders: the Users group may change them (modify: read, write,
; run, delete; 0x1301BF), files and sub-folders included (OICI). Added to
; what the folder inherits from the installation folder, which stays the
; administrators' alone.
!define MEDIA_SDDL "D:(A;OICI;0x1301bf;;;BU)"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
; An upgrade proposes the folder of the installation before it.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 the Bumblepad developers. MIT License."

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_TEXT "Bumblepad is installed and running: its icon is in the notification area. It starts again whenever someone logs on.$\r$\n$\r$\nAdd your own pictures and sounds with Trovebox (Start menu, Bumblepad)."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Bumblepad is installed into a folder of its own, which Setup creates. Choose a folder that does not exist yet, an empty one, or the folder of an earlier installation of Bumblepad; a folder that holds other files cannot be chosen."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\licences\Bumblepad-LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!define MUI_UNCONFIRMPAGE_TEXT_TOP "Bumblepad will be ended and removed from the folder below, together with its pictures and sounds folders (also the pictures and sounds added with Trovebox). Files that Bumblepad did not put there stay."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ---- Ending the controllers ------------------------------------------------

; Controllers: runs over every process named Bumblepad.exe that runs the
; program of the installation folder (or whose program file cannot be asked
; for). $R0 "end": each is terminated; "list": none is. On return $R1 holds
; the ids of those found (with "end": those that could not be ended), each
; after a blank.
!macro Controllers UN
Function ${UN}Controllers
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $R1 ""
  System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r0'  ; TH32CS_SNAPPROCESS
  ${If} $0 == -1
  ${OrIf} $0 == 0
    Goto controllers_done
  ${EndIf}
  System::Call '*(i 296, &l292) p .r1'  ; PROCESSENTRY32 (single-byte): dwSize, then the rest
  System::Call 'kernel32::Process32First(p r0, p r1) i .r2'
  ${DoWhile} $2 != 0
    System::Call '*$1(i, i, i .r3, i, i, i, i, i, i, &t260 .r4)'  ; th32ProcessID, szExeFile
    ${If} $4 == "Bumblepad.exe"
      ; SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION
      System::Call 'kernel32::OpenProcess(i 0x101001, i 0, i r3) p .r5'
      StrCpy $4 "$INSTDIR\Bumblepad.exe"
      ${If} $5 != 0
        System::Call 'kernel32::QueryFullProcessImageNameA(p r5, i 0, t .r4, *i ${NSIS_MAX_STRLEN}) i .r2'
        ${If} $2 == 0
        ${OrIf} $2 == "error"
          StrCpy $4 "$INSTDIR\Bumblepad.exe"  ; not to be asked (older systems): taken as this one
        ${EndIf}
      ${EndIf}
      ${If} $4 == "$INSTDIR\Bumblepad.exe"
        ${If} $R0 == "end"
        ${AndIf} $5 != 0
          System::Call 'kernel32::TerminateProcess(p r5, i 1) i .r2'
          System::Call 'kernel32::WaitForSingleObject(p r5, i 5000) i .r2'
        ${EndIf}
        ${If} $R0 != "end"
        ${OrIf} $2 != 0
          StrCpy $R1 "$R1 $3"
        ${EndIf}
      ${EndIf}
      ${If} $5 != 0
        System::Call 'kernel32::CloseHandle(p r5)'
      ${EndIf}
    ${EndIf}
    System::Call '*$1(i 296)'
    System::Call 'kernel32::Process32Next(p r0, p r1) i .r2'
  ${Loop}
  System::Free $1
  System::Call 'kernel32::CloseHandle(p r0)'
controllers_done:
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro Controllers ""
!insertmacro Controllers "un."

; EndControllers: ends every running controller of this installation. The
; one on this desktop gets WM_CLOSE and runs its orderly exit (drive doors
; released, power policy restored, settings saved); those the installer
; cannot reach that way (other users' sessions, other desktops) and any that
; does not end within ten seconds are terminated; what they left changed is
; put back from their records (by the next controller's start, and by the
; uninstaller). $R1 on return: the ids of controllers still running.
!macro EndControllers UN
Function ${UN}EndControllers
  FindWindow $0 "Bumblepad" "Bumblepad"
  ${If} $0 != 0
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    System::Call 'kernel32::OpenProcess(i 0x100000, i 0, i r1) p .r2'  ; SYNCHRONIZE
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${If} $2 != 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 10000)'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${EndIf}
  ${EndIf}
  StrCpy $R0 "list"
  Call ${UN}Controllers
  ${If} $R1 != ""
    DetailPrint "Ending the controllers that still run (process ids$R1)."
    StrCpy $R0 "end"
    Call ${UN}Controllers
  ${EndIf}
FunctionEnd
!macroend
!insertmacro EndControllers ""
!insertmacro EndControllers "un."

; Stops with a message that names the controllers still running.
!macro RefuseWhileControllersRun UN
Function ${UN}RefuseWhileControllersRun
  ${If} $R1 != ""
    MessageBox MB_ICONSTOP|MB_OK "Bumblepad is still running (process ids$R1), in another user's session or as another user, and could not be ended. End it there (tray icon, Exit) and run this again." /SD IDOK
    Abort "Bumblepad is still running (process ids$R1)."
  ${EndIf}
FunctionEnd
!macroend
!insertmacro RefuseWhileControllersRun ""
!insertmacro RefuseWhileControllersRun "un."

; ---- The installation folder ---------------------------------------------

; FolderIsFit: $R0 "ok" when $INSTDIR does not exist yet, or is a folder
; that holds nothing but what an installer of Bumblepad puts there (empty,
; or an earlier installation); anything else is refused, so that the
; installation never mixes with other files and the uninstaller never takes
; any of them.
Function FolderIsFit
  StrCpy $R0 "ok"
  ${IfNot} ${FileExists} "$INSTDIR"
    Return
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $R0 "a file"
    Return
  ${EndIf}
  FindFirst $R1 $R2 "$INSTDIR\*.*"
  ${DoWhile} $R2 != ""
    ${Switch} $R2
      ${Case} "."
      ${Case} ".."
      ${Case} "Bumblepad.exe"
      ${Case} "Hookwell.dll"
      ${Case} "Trovebox.exe"
      ${Case} "FreeImage.dll"
      ${Case} "Uninstall.exe"
      ${Case} "pictures"
      ${Case} "sounds"
      ${Case} "licences"
        ${Break}
      ${Default}
        StrCpy $R0 "holds other files"
    ${EndSwitch}
    FindNext $R1 $R2
  ${Loop}
  FindClose $R1
FunctionEnd

Function .onVerifyInstDir
  Call FolderIsFit
  ${If} $R0 != "ok"
    Abort  ; the Next button stays disabled
  ${EndIf}
FunctionEnd

; GrantUsersModify PATH: the Users group may change the folder and all in it.
Function GrantUsersModify
  Exch $0
  Push $1
  Push $2
  Push $3
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorA(t "${MEDIA_SDDL}", i 1, *p .r1, p 0) i .r2'
  ${If} $2 == 0
  ${OrIf} $2 == "error"
    DetailPrint "No access lists on this system: $0 is left as it is."
  ${Else}
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r3, *p .r2, *i .r3) i'
    ; SE_FILE_OBJECT; DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION
    System::Call 'advapi32::SetNamedSecurityInfoA(t r0, i 1, i 0x20000004, p 0, p 0, p r2, p 0) i .r3'
    ${If} $3 != 0
      DetailPrint "The users could not be given the right to change $0 (error $3)."
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Section "Bumblepad"
  Call FolderIsFit
  ${If} $R0 != "ok"
    MessageBox MB_ICONSTOP|MB_OK "Bumblepad cannot be installed into $INSTDIR: it $R0. Choose a new folder." /SD IDOK
    Abort "$INSTDIR $R0."
  ${EndIf}
  Call EndControllers
  Call RefuseWhileControllersRun

  SetOutPath "$INSTDIR"
  File "${STAGE}\Bumblepad.exe"
  File "${STAGE}\Hookwell.dll"
  File "${STAGE}\Trovebox.exe"
  File "${STAGE}\FreeImage.dll"
  SetOutPath "$INSTDIR\licences"
  File "${STAGE}\licences\*.*"
  ; The media folders are the parent's collection: an upgrade keeps them as
  ; they are (what was added stays, what was deleted stays deleted); a new
  ; installation creates them with the starter pictures and sounds.
  ${IfNot} ${FileExists} "$INSTDIR\pictures\*.*"
    CreateDirectory "$INSTDIR\pictures"
    Push "$INSTDIR\pictures"
    Call GrantUsersModify
    SetOutPath "$INSTDIR\pictures"
    File "${STAGE}\pictures\*.*"
  ${Else}
    Push "$INSTDIR\pictures"
    Call GrantUsersModify
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\sounds\*.*"
    CreateDirectory "$INSTDIR\sounds"
    Push "$INSTDIR\sounds"
    Call GrantUsersModify
    SetOutPath "$INSTDIR\sounds"
    File "${STAGE}\sounds\*.*"
  ${Else}
    Push "$INSTDIR\sounds"
    Call GrantUsersModify
  ${EndIf}
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The settings key (see SETTINGS_SDDL). A key left by an earlier
  ; installation keeps its values and gets the same access list. Where the
  ; system has no security descriptors, the key is made without one.
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorA(t "${SETTINGS_SDDL}", i 1, *p .r1, p 0) i .r0'
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

  ; The hand-over: Bumblepad starts itself again working in the folder. This
  ; process is elevated; the hand-over has the desktop's shell start the
  ; controller, which so runs as the user at the desktop, not elevated.
  Exec '"$INSTDIR\Bumblepad.exe" install $INSTDIR'
SectionEnd

; ---- Uninstall ------------------------------------------------------------

; The power and sleep buttons as a controller that was ended without its
; clean-up left them: its record (the value PowerButtons of the settings
; key: the process id, then the global power policy before the change) gives
; back the four button policies, over the policy as it is now.
Function un.PutBackPowerButtons
  System::Call 'advapi32::RegOpenKeyExA(p 0x80000002, t "${SETTINGS_KEY}", i 0, i 0x1, *p .r1) i .r0'  ; KEY_QUERY_VALUE
  ${If} $0 != 0
    Return
  ${EndIf}
  System::Alloc 196
  Pop $2
  System::Call 'advapi32::RegQueryValueExA(p r1, t "PowerButtons", p 0, p 0, p r2, *i 196 r3) i .r0'
  System::Call 'advapi32::RegCloseKey(p r1)'
  ${If} $0 == 0
  ${AndIf} $3 == 196
    DetailPrint "Putting back the power and sleep buttons that a controller left changed."
    System::Alloc 192
    Pop $4
    IntOp $5 $2 + 4
    System::Call 'kernel32::RtlMoveMemory(p r4, p r5, i 192)'  ; the record's policy, if none can be read
    System::Call 'powrprof::ReadGlobalPwrPolicy(p r4) i .r0'
    IntOp $5 $2 + 8  ; the record's PowerButtonAc .. SleepButtonDc
    IntOp $6 $4 + 4
    System::Call 'kernel32::RtlMoveMemory(p r6, p r5, i 48)'
    System::Call 'powrprof::WriteGlobalPwrPolicy(p r4) i .r0'
    ${If} $0 != 0
      System::Call 'powrprof::GetActivePwrScheme(*i .r6) i .r0'
      System::Call 'powrprof::SetActivePwrScheme(i r6, p 0, p 0) i .r0'
    ${EndIf}
    System::Free $4
  ${EndIf}
  System::Free $2
FunctionEnd

; un.RemoveFile PATH: deleted, or, when another program still has it open
; (Hookwell.dll in the programs the mouse hook reached, Trovebox still
; open), scheduled for removal at the next restart and noted in $R8.
Function un.RemoveFile
  Exch $0
  Delete "$0"
  ${If} ${FileExists} "$0"
    Delete /REBOOTOK "$0"
    StrCpy $R8 "$R8$\r$\n    $0"
    DetailPrint "In use, removed at the next restart: $0"
  ${EndIf}
  Pop $0
FunctionEnd

Section "Uninstall"
  StrCpy $R8 ""
  Call un.EndControllers
  Call un.RefuseWhileControllersRun

  ; Release every drive door, whatever a controller that was ended without
  ; its clean-up left held: Hookwell's ForceUnlock with all 26 drives
  ; selected (a C++ function, so the cdecl convention and the decorated
  ; name; the library is unloaded after the call). It also clears the record
  ; of the doors it releases.
  System::Alloc 26
  Pop $1
  ${For} $2 0 25
    IntOp $3 $1 + $2
    System::Call '*$3(&i1 1)'
  ${Next}
  System::Call '$INSTDIR\Hookwell.dll::_Z11ForceUnlockbPKb(i 0, p r1) ?cu'
  System::Free $1
  Call un.PutBackPowerButtons

  ; The settings key: its values, then the key itself only if nothing else
  ; is in it (DeleteRegKey /ifempty never follows what another account may
  ; have put there).
  DeleteRegValue HKLM "${SETTINGS_KEY}" "Options"
  DeleteRegValue HKLM "${SETTINGS_KEY}" "PowerButtons"
  DeleteRegValue HKLM "${SETTINGS_KEY}" "DriveDoors"
  DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\Bumblepad.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Trovebox.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall Bumblepad.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  ; The programs. The system unloads Hookwell.dll from the programs its
  ; hooks reached when they next handle a message: a broadcast asks them to
  ; (and gives them a moment), before what is still in use is scheduled.
  System::Call 'user32::SendMessageTimeoutA(p 0xffff, i 0, p 0, p 0, i 2, i 2000, *p .r0)'  ; WM_NULL, SMTO_ABORTIFHUNG
  ${For} $1 1 10
    Delete "$INSTDIR\Hookwell.dll"
    ${IfNot} ${FileExists} "$INSTDIR\Hookwell.dll"
      ${Break}
    ${EndIf}
    Sleep 300
  ${Next}
  Push "$INSTDIR\Bumblepad.exe"
  Call un.RemoveFile
  Push "$INSTDIR\Hookwell.dll"
  Call un.RemoveFile
  Push "$INSTDIR\Trovebox.exe"
  Call un.RemoveFile
  Push "$INSTDIR\FreeImage.dll"
  Call un.RemoveFile
  Push "$INSTDIR\Uninstall.exe"
  Call un.RemoveFile
  ; The licence texts it put there, and the media folders an installer of
  ; Bumblepad created in a folder of its own: with the pictures and sounds
  ; the parent added.
  Delete "$INSTDIR\licences\*.txt"
  RMDir "$INSTDIR\licences"
  RMDir /r "$INSTDIR\pictures"
  RMDir /r "$INSTDIR\sounds"
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR"
    ${If} $R8 != ""
      RMDir /REBOOTOK "$INSTDIR"
      MessageBox MB_ICONINFORMATION|MB_OK "Bumblepad is removed. These of its files are still in use by other programs and will be removed when Windows restarts, with the folder:$R8" /SD IDOK
    ${Else}
      DetailPrint "$INSTDIR holds files that Bumblepad did not put there and stays."
      MessageBox MB_ICONINFORMATION|MB_OK "Bumblepad is removed. The folder $INSTDIR holds files that Bumblepad did not put there and was left in place." /SD IDOK
    ${EndIf}
  ${EndIf}
SectionEnd
