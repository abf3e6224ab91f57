// A list box control of a dialog, addressed by its control id: sorted,
// case-insensitive, extended multiple selection. Indexes count from 0.
#pragma once
#include <string>

#include "handles.h"

// LB_ADDSTRING: the list sorts the text into place; returns its index.
int ListAddString(DialogHandle dialog, int id, const std::string& text);

// LB_GETSELCOUNT: the number of selected items.
int ListGetSelCount(DialogHandle dialog, int id);

// LB_GETCURSEL: the current item (the one with the focus rectangle, which
// need not be selected), or -1 when there is none.
int ListGetCurSel(DialogHandle dialog, int id);

// LB_GETTEXT: the text of item index ("" when there is no such item).
std::string ListGetText(DialogHandle dialog, int id, int index);

// LB_GETSELITEMS: the indexes of at most maxItems selected items, ascending;
// returns how many were written.
int ListGetSelItems(DialogHandle dialog, int id, int maxItems, int* items);

// LB_DELETESTRING.
void ListDeleteString(DialogHandle dialog, int id, int index);
