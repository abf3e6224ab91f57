// Every module variable of the controller put back as a fresh process has
// it, and every recording fake emptied: the one reset that both fixtures
// (controller_fixture.h, lockscreen_fixture.h) start from, so that a new
// variable needs adding in one place only.
#pragma once
#include <cstring>

#include "controller.h"
#include "fake_dialog.h"
#include "fake_lockscreen.h"
#include "fake_platform.h"
#include "fake_switches.h"
#include "fake_tray.h"
#include "lock_screen.h"
#include "lock_screen_state.h"
#include "lock_state.h"
#include "media_lists.h"
#include "picture.h"
#include "picture_cache.h"
#include "settings.h"
#include "switches.h"
#include "tray.h"
#include "unlock_word.h"

inline void ResetControllerState() {
    fake::ResetLockScreen();  // also fake::Reset()
    fake::ResetTray();
    fake::ResetDialog();
    fake::ResetSwitches();
    options = defaultOptions;
    // start-up and the main window
    mainWindow = nullptr;
    osVersionInfo = OsVersionInfo{};
    closePathRan = false;
    taskbarCreatedMessage = 0;
    // the lock
    locked = false;
    keyboardOnly = false;
    hintWindow = nullptr;
    lockFromIdle = false;
    lockShowsPictures = false;
    automaticLockNote.clear();
    keyHistory.clear();
    unlockCodes.clear();
    // switches and tray
    powerButtonRefused = false;
    savedFilterKeys = {};
    savedMouseKeys = {};
    savedStickyKeys = {};
    savedToggleKeys = {};
    std::strcpy(trayTip, kAppName);
    trayMenu = nullptr;
    optionsDialogOpen = false;
    // the lock screen: no canvas, no lists, no pictures waiting or kept
    canvasDC = nullptr;
    canvasBitmap = nullptr;
    screenRect = ScreenRect{0, 0, 0, 0};
    pictureList.clear();
    soundList.clear();
    lockScreenPrepared = false;
    trailAnchorX = trailAnchorY = 0;
    trailRestart = true;
    DropPendingPictures();
    pictureCache.Clear();
}
