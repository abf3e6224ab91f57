#include "options_dialog.h"

#include <cstdio>
#include <cstring>

#include "Hookwell.h"
#include "dialog_port.h"
#include "message_box_port.h"
#include "resource_ids.h"
#include "settings.h"
#include "unlock_word.h"

static void FillControls(HWND dialog) {
    for (int i = 0; i < 26; ++i)
        if (options.lockDrive[i]) CheckDialogButton(dialog, kItemFirstDrive + i, true);
    if (!options.keyRepeat) CheckDialogButton(dialog, kItemNoAutoRepeat, true);
    if (options.showUnlockHint) CheckDialogButton(dialog, kItemShowHint, true);
    if (options.disableCtrlAltDel) CheckDialogButton(dialog, kItemCtrlAltDel, true);
    if (options.showPictures) CheckDialogButton(dialog, kItemShowPictures, true);
    SetDialogItemUInt(dialog, kItemIdleMinutes, options.autoLockMs / 60000);
    SetDialogItemText(dialog, kItemUnlockWord, CurrentUnlockWord().text);
}

// A word the lock screen could not match would lock the family out: it is
// refused, the parent is told which character, the field shows the previous
// word again and the dialog stays open (the next close keeps that word).
static bool WordRefused(HWND dialog) {
    char word[sizeof options.unlockWord] = {};
    if (!GetDialogItemText(dialog, kItemUnlockWord, word, sizeof word)) return false;
    const int bad = UntypeableCharacter(word, std::strlen(word));
    if (bad < 0) return false;
    const StoredWord previous = CurrentUnlockWord();
    char text[320];
    std::snprintf(text, sizeof text, kWordRefusedText, word[bad], previous.text);
    ShowMessageBox(text, "Error", kMbIconWarning);
    SetDialogItemText(dialog, kItemUnlockWord, previous.text);
    return true;
}

static void StoreControls(HWND dialog) {
    LockAll(false, options.lockDrive);  // the selection as it was before the dialog
    for (int i = 0; i < 26; ++i) options.lockDrive[i] = IsDialogButtonChecked(dialog, kItemFirstDrive + i);
    options.keyRepeat = !IsDialogButtonChecked(dialog, kItemNoAutoRepeat);
    options.showUnlockHint = IsDialogButtonChecked(dialog, kItemShowHint);
    options.disableCtrlAltDel = IsDialogButtonChecked(dialog, kItemCtrlAltDel);
    options.showPictures = IsDialogButtonChecked(dialog, kItemShowPictures);
    uint32_t minutes = GetDialogItemUInt(dialog, kItemIdleMinutes);
    if (minutes > kMaxIdleMinutes) minutes = kMaxIdleMinutes;
    options.autoLockMs = minutes * 60000;
    // The older template has no word field: the stored word stays.
    char word[sizeof options.unlockWord] = {};
    if (GetDialogItemText(dialog, kItemUnlockWord, word, sizeof word)) {
        word[sizeof word - 1] = '\0';
        std::memcpy(options.unlockWord, word, sizeof word);
    }
}

intptr_t OptionsDialogProc(HWND dialog, uint32_t message, WParam wParam, LParam) {
    switch (message) {
    case WM_INITDIALOG:
        FillControls(dialog);
        return 1;
    case WM_COMMAND:
        if ((wParam & 0xFFFF) != kItemOk) return 0;
        if (WordRefused(dialog)) return 1;
        StoreControls(dialog);
        EndDialogBox(dialog, kItemOk);
        SaveOptions();
        return 1;
    default:
        return 0;
    }
}
