// Opaque handles that cross the ports: the platform's window, device context
// and icon handles on Windows, the adapters' own objects on Linux.
#pragma once

typedef void* DialogHandle;   // a dialog window (HWND)
typedef void* PaintContext;   // a device context (HDC)
typedef void* IconHandle;     // an icon (HICON)
