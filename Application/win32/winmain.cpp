#include <windows.h>

#include "controller.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return RunController(instance, commandLine);
}
