#include <windows.h>

#include "controller.h"
#include "precision_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    UseDoublePrecision();
    return RunController(instance, commandLine);
}
