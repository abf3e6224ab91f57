// A recording fake of the dialog port: the controls of the one open dialog
// live in maps, and a test's edit function plays the user between the
// dialog's WM_INITDIALOG and its closing command.
#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>

namespace fake {

struct DialogScript {
    std::map<int, bool> checks;        // check boxes by id
    std::map<int, std::string> texts;  // edit fields by id (SetDialogItemUInt writes the decimal text)
    std::set<int> absentItems;         // ids the template does not have
    std::function<void()> userEdits;   // run after WM_INITDIALOG, before the closing command
    bool closes = true;                // RunModalDialog sends command 2 after userEdits
    bool modelessFails = false;
    int ended = -1;                    // the value given to EndDialogBox
};
extern DialogScript dialog;

void ResetDialog();

}  // namespace fake
