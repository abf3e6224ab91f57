// Recording fakes of the media manager's ports: every call is logged with
// its arguments, results come from the script. The file operations are
// logged and also carried out on the real file system, so tests can run
// imports into a temporary folder; directory listings come from the script.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

namespace trovefake {

extern std::vector<std::string> calls;

struct Item {
    std::string text;
    bool selected = false;
};

struct List {
    std::vector<Item> items;  // sorted case-insensitively, as the control keeps them
    int caret = -1;           // the current item
};

struct Script {
    std::string currentDirectory = "C:\\Kids";
    char separator = '\\';
    // pattern -> entries. A pattern without wildcards that has no listing
    // here is looked up on the real file system (a test of whether a file
    // is there).
    std::map<std::string, std::vector<std::string>> listings;
    // Paths the system refuses to write or delete (a read-only file, a
    // folder the user may not change): copies onto them, renames onto them
    // and their deletion fail, and the file stays as it is.
    std::set<std::string> lockedPaths;
    // The buffers that successive open-file dialogs return ("|" marks a
    // NUL); once used up, the dialog is cancelled.
    std::vector<std::string> chosen;
    bool importWindowFails = false;
    bool iconic = false;
    int clientWidth = 646, clientHeight = 314;
    std::map<int, List> lists;  // by control id
};
extern Script script;

void Reset();

// Calls whose text starts with prefix, in order.
std::vector<std::string> CallsStartingWith(const std::string& prefix);

// The texts of a list, in order.
std::vector<std::string> Texts(int id);
// Selects exactly the items with these texts (the first match of each).
void SelectTexts(int id, const std::vector<std::string>& texts);
// Makes the item with this text the current one.
void SetCurrent(int id, const std::string& text);

}  // namespace trovefake
