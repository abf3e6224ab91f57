#!/usr/bin/env bash
# Reads the built Windows files: Hookwell.dll exports its eight functions by
# their decorated names and keeps its shared variables in one shared section
# ".IdleTra"; Bumblepad.exe imports exactly seven of them (never ForceUnlock); the
# programs are of the expected machine type and carry their resources: their
# manifests, and the version record of the one version number in all three
# files; Hookwell.dll resets no floating-point state of the processes it is
# loaded into; the licence notice names the FreeImage that FreeImage.dll is.
set -u
objdump=$1 bin=$2 bits=$3 version=$4 source=$5
fail=0
check() { if eval "$2"; then echo "ok   - $1"; else echo "FAIL - $1"; fail=1; fi; }

dll="$bin/Hookwell.dll" exe="$bin/Bumblepad.exe" trove="$bin/Trovebox.exe"
for f in "$dll" "$exe" "$trove"; do check "$(basename "$f") exists" "[ -f '$f' ]"; done
[ $fail = 0 ] || exit 1

exports=(_Z15SetKeyboardHookP6HWND__bb _Z18RemoveKeyboardHookb _Z18KeyboardHookRepeatb
         _Z19InstallInputTrackerv _Z12GetLastInputv _Z18RemoveInputTrackerv _Z7LockAllbPKb
         _Z11ForceUnlockbPKb)
dllinfo=$("$objdump" -p "$dll")
exportnames=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dllinfo" | awk '{print $NF}' | grep '^_Z' | sort)
check "Hookwell.dll exports exactly the eight functions" \
  "[ \"\$exportnames\" = \"\$(printf '%s\n' \"\${exports[@]}\" | sort)\" ]"

if [ "$bits" = 32 ]; then
  check "Hookwell.dll is a 32-bit x86 DLL" "grep -q 'file format pei-i386' <<<\"\$dllinfo\""
  check "Bumblepad.exe is a 32-bit x86 program" "\"$objdump\" -f '$exe' | grep -q 'pei-i386'"
  check "Trovebox.exe is a 32-bit x86 program" "\"$objdump\" -f '$trove' | grep -q 'pei-i386'"
  # CRT_fp8.o: the start-up keeps the x87 at double precision through msvcrt's _fpreset.
  for f in "$exe" "$trove"; do
    check "$(basename "$f") keeps the x87 at double precision (msvcrt's _fpreset)" \
      "\"$objdump\" -p '$f' | sed -n '/DLL Name: msvcrt.dll/,/^\$/p' | grep -qw _fpreset"
  done
fi

sections=$("$objdump" -h "$dll")
section=$(grep -A1 ' \.IdleTra ' <<<"$sections")
check "Hookwell.dll has a section .IdleTra" "[ -n \"\$section\" ]"
check ".IdleTra is shared, read/write data" "grep -q 'SHARED' <<<\"\$section\" && grep -q 'DATA' <<<\"\$section\" && ! grep -q READONLY <<<\"\$section\""
index=$(awk '$2 == ".IdleTra" {print $1 + 1}' <<<"$sections")
symbols=$("$objdump" -t "$dll")
shared=(lastInputTime trackerKeyboardHook trackerMouseHook lockKeyboardHook lockMouseHook reportWindow
        wheelCount lastMousePoint keyDownTable repeatKeys screenSaverState)
for v in "${shared[@]}"; do
  check "$v lies in .IdleTra" "grep -E ' _?$v\$' <<<\"\$symbols\" | grep -q '(sec *$index)'"
done
# Their initial bytes as the file holds them: all 0 but repeatKeys, 1.
repeat_at=$(grep -E ' _?repeatKeys$' <<<"$symbols" | awk '{print $(NF-1)}')
repeat_at=${repeat_at:+$((repeat_at))}
idle_bytes=$("$objdump" -s -j .IdleTra "$dll" | awk '/^ [0-9a-f]+ / {for (i = 2; i <= 5 && i <= NF; i++) if ($i ~ /^[0-9a-f]+$/) printf "%s", $i}')
expected_bytes=$(python3 -c "import sys; n, at = int(sys.argv[1]), int(sys.argv[2]); b = bytearray(n); b[at] = 1; print(b.hex())" \
  $((${#idle_bytes} / 2)) "${repeat_at:-0}")
check "the shared variables start as 0, repeatKeys as 1 ($((${#idle_bytes} / 2)) bytes)" \
  "[ -n \"\$repeat_at\" ] && [ \"\$idle_bytes\" = \"\$expected_bytes\" ]"
check "Hookwell.dll imports nothing from USER32 (its calls there are bound at first use)" \
  "! grep -qi 'DLL Name: user32' <<<\"\$dllinfo\""

exeinfo=$("$objdump" -p "$exe")
imports=$(sed -n '/DLL Name: Hookwell.dll/,/^$/p' <<<"$exeinfo" | awk '{print $NF}' | grep '^_Z' | sort)
expected=$(printf '%s\n' "${exports[@]}" | grep -v ForceUnlock | sort)
check "Bumblepad.exe imports exactly the seven exports from Hookwell.dll, never ForceUnlock" \
  "[ \"\$imports\" = \"\$expected\" ]"
for f in "$exe" "$trove"; do
  info=$("$objdump" -p "$f")
  if grep -q 'DLL Name: FreeImage.dll' <<<"$info"; then
    check "$(basename "$f") links FreeImage.dll by the names its import library gives" \
      "sed -n '/DLL Name: FreeImage.dll/,/^\$/p' <<<\"\$info\" | grep -q FreeImage_"
  fi
  check "$(basename "$f") makes the single-byte (A) calls, no wide ones" \
    "! grep -E '(MessageBox|CreateWindowEx|RegisterClass|DefWindowProc|GetMessage|DispatchMessage|RegOpenKeyEx|RegQueryValueEx|RegSetValueEx|CreateProcess|CreateMutex|OpenMutex|Shell_NotifyIcon|LoadIcon|LoadMenu|DialogBoxParam|PlaySound|GetVersionEx|FindFirstFile|SystemParametersInfo|PostMessage)W\$' <<<\"\$info\" && grep -q -E '(DialogBoxParam|MessageBox|CreateWindowEx)A\$' <<<\"\$info\""
  check "$(basename "$f") carries resources" "\"$objdump\" -h '$f' | grep -q '\\.rsrc'"
done

# The controller's menus and dialog templates, read back from the program.
windres=${objdump%objdump}windres
if ! command -v "$windres" >/dev/null 2>&1; then
  check "$windres reads the resources back (it comes with binutils-mingw-w64)" false
else
  rc=$("$windres" -i "$exe" -J coff -O rc 2>/dev/null)
  menu_items() { sed -n "/^$1 MENU/,/^END/p" <<<"$rc" | grep -E 'MENUITEM' | sed 's/^ *//' | paste -sd'|'; }
  check "menu 102 lists its items in order" "[ \"\$(menu_items 102)\" = 'MENUITEM \"Manage Pictures/Sounds\", 40014|MENUITEM \"Options\", 40013|MENUITEM SEPARATOR|MENUITEM \"Disable Power Button\", 40003|MENUITEM \"Lock Drive Doors\", 40002|MENUITEM \"Lock Keyboard\", 40015|MENUITEM \"Lock Keyboard/Mouse\", 40010|MENUITEM SEPARATOR|MENUITEM \"Exit\", 40009' ]"
  check "menu 103 lists its items in order" "[ \"\$(menu_items 103)\" = 'MENUITEM \"Manage Pictures/Sounds\", 40014|MENUITEM \"Options\", 40013|MENUITEM SEPARATOR|MENUITEM \"Lock Drive Doors\", 40002|MENUITEM \"Lock Keyboard\", 40016|MENUITEM \"Lock Keyboard/Mouse\", 40010|MENUITEM SEPARATOR|MENUITEM \"Exit\", 40009' ]"
  check "options dialogs 103 and 106 are 278 x 185" "grep -q '^103 DIALOGEX 0, 0, 278, 185' <<<\"\$rc\" && grep -q '^106 DIALOGEX 0, 0, 278, 185' <<<\"\$rc\""
  check "hint window 105 is 167 x 19 with its edit 1037" "grep -q '^105 DIALOGEX 0, 0, 167, 19' <<<\"\$rc\" && grep -q 'EDITTEXT 1037, 0, 0, 167, 19' <<<\"\$rc\""
  check "no control of the options dialogs has the OK id 1" "! sed -n '/^10[36] DIALOGEX/,/^END/p' <<<\"\$rc\" | grep -qE ', 1, [0-9]+, [0-9]+, [0-9]+, [0-9]+'"
  check "dialog 106 has no word field" "! sed -n '/^106 DIALOGEX/,/^END/p' <<<\"\$rc\" | grep -q 'EDITTEXT 1036'"
fi

# What Wine does not enforce, read from the files instead: both programs
# declare asInvoker (no elevation, no virtualization of their writes under
# Program Files), the systems they were made for (Windows 7 to 11), the
# version 6 common controls and a DPI setting (docs/windows.md says why).
if command -v "$windres" >/dev/null 2>&1; then
  here=$(dirname "$0")
  facts() { "$windres" -i "$1" -J coff -O rc 2>/dev/null | python3 "$here/resources.py" "$2"; }
  want_os='{1f676c76-80e1-4239-95bb-83d0f6d0da78},{35138b9a-5d96-4fbd-8e2d-a2440225f93a},{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38},{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
  for program_dpi in Bumblepad.exe:true Trovebox.exe:false; do
    f=${program_dpi%%:*} dpi=${program_dpi##*:}
    manifest=$(facts "$bin/$f" manifest 2>&1)
    check "$f's manifest: asInvoker, no UI access" "grep -qx 'level=asInvoker' <<<\"\$manifest\" && grep -qx 'uiAccess=false' <<<\"\$manifest\""
    check "$f's manifest: supported on Windows 7, 8, 8.1 and 10/11" "grep -qx 'supportedOS=$want_os' <<<\"\$manifest\""
    check "$f's manifest: common controls 6" "grep -qx 'commonControls=6.0.0.0' <<<\"\$manifest\""
    check "$f's manifest: DPI aware $dpi" "grep -qx 'dpiAware=$dpi' <<<\"\$manifest\""
  done
  for f in Bumblepad.exe Trovebox.exe Hookwell.dll; do
    record=$(facts "$bin/$f" version)
    check "$f's version record says $version" \
      "grep -qx 'FileVersion=$version' <<<\"\$record\" && grep -qx 'ProductVersion=$version' <<<\"\$record\""
  done
  # The notice that ships with FreeImage.dll names the version its own record
  # gives and the fork and commit its source was taken from. (The 64-bit
  # compile check builds no FreeImage.dll; the shipped 32-bit build must.)
  if [ "$bits" = 32 ] || [ -f "$bin/FreeImage.dll" ]; then
    fi_version=$(facts "$bin/FreeImage.dll" version | sed -n 's/^FileVersion=//p')
    readme=$(tr '\n' ' ' <"$source/third_party/README.md")
    commit=$(grep -o 'commit [0-9a-f]\{40\}' <<<"$readme" | head -n 1 | cut -d' ' -f2)
    fork=$(grep -o 'repository [A-Za-z0-9_.-]*/[A-Za-z0-9_.-]*' <<<"$readme" | head -n 1 | cut -d' ' -f2)
    notice="$source/installer/licences.txt"
    check "licences.txt names FreeImage $fi_version, as FreeImage.dll's version record says" \
      "[ -n '$fi_version' ] && grep -q 'FreeImage $fi_version' '$notice' && ! grep -q 'FreeImage 3\.18' '$notice'"
    check "licences.txt names the fork $fork and commit $commit of third_party/README.md" \
      "[ -n '$commit' ] && [ -n '$fork' ] && grep -q '$fork' '$notice' && grep -q '$commit' '$notice'"
  fi
fi

# The library is loaded into every process that receives input while its
# hooks are set; nothing in it may reset the x87 state of those processes.
check "Hookwell.dll holds no fninit/finit (no reset of its host's x87 state)" \
  "! \"$objdump\" -d '$dll' | grep -qE '\s(fn?init)\b'"

[ $fail = 0 ] && echo "all PE checks passed"
exit $fail
