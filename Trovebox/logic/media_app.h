// The media manager's application: one modal main dialog, then the end.
#pragma once

class CMediaApp {
public:
    // Initialises the common controls, runs the main dialog and returns the
    // program's exit code (0, whatever the dialog's result).
    int InitInstance();
};
