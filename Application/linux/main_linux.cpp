#include <QApplication>
#include <string>

#include "controller.h"

int main(int argc, char** argv) {
    // The command line as Windows hands it over: the text after the program
    // name, arguments joined by single blanks.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    app.setApplicationName("Bumblepad");
    return RunController(nullptr, commandLine.c_str());
}
