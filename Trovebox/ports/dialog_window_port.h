// The main dialog's window: its icon, painting and drawing.
#pragma once
#include <cstdint>

#include "handles.h"

constexpr int kIconSmall = 0;
constexpr int kIconBig = 1;
constexpr int kSmCxIcon = 11;
constexpr int kSmCyIcon = 12;
constexpr int kColorOnColor = 3;
constexpr uint32_t kDibRgbColors = 0;
constexpr uint32_t kSrcCopy = 0x00CC0020;

// InitCommonControls (the progress bar needs it).
void InitControls();

// LoadIconA(the program, IDI_APP_ICON).
IconHandle LoadAppIcon();

// SendMessageA(dialog, WM_SETICON, which, icon).
void SetDialogIcon(DialogHandle dialog, int which, IconHandle icon);

// IsIconic: the dialog is minimised.
bool IsDialogIconic(DialogHandle dialog);

// BeginPaint / EndPaint.
PaintContext BeginDialogPaint(DialogHandle dialog);
void EndDialogPaint(DialogHandle dialog);

// The dialog's own painting of its update region (which validates it).
void DefaultDialogPaint(DialogHandle dialog);

// SendMessageA(dialog, WM_ICONERASEBKGND, dc, 0).
void EraseIconBackground(DialogHandle dialog, PaintContext dc);

// GetClientRect: width and height of the client area.
void GetClientSize(DialogHandle dialog, int& width, int& height);

// GetSystemMetrics(index).
int SystemMetric(int index);

// DrawIcon(dc, x, y, icon).
void DrawIconAt(PaintContext dc, int x, int y, IconHandle icon);

// GetDC / ReleaseDC on the client area.
PaintContext GetDialogDC(DialogHandle dialog);
void ReleaseDialogDC(DialogHandle dialog, PaintContext dc);

// SetStretchBltMode(dc, mode).
void SetStretchMode(PaintContext dc, int mode);

// StretchDIBits: the source rectangle of the device-independent bitmap
// (bits, bitmap header with colour table) stretched into the destination.
void StretchDib(PaintContext dc, int x, int y, int width, int height, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, const void* bits, const void* info,
                uint32_t usage, uint32_t rop);

// InvalidateRect(dialog, rectangle, erase).
void InvalidateDialogRect(DialogHandle dialog, int left, int top, int right, int bottom, bool erase);

class CMediaDlg;

// Creates the main dialog (resource 102) for dialog, runs it modally until it
// ends, and returns its result. The window routes its events to dialog.
intptr_t RunMediaDialog(CMediaDlg& dialog);
