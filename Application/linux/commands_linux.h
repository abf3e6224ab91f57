// Commands given to the running controller from outside (Linux only, beyond
// the Windows program's command line): "bumblepad --lock", "--lock-keyboard",
// "--options", "--media" and "--exit", for a desktop without a tray (GNOME
// without the AppIndicator extension), a keyboard shortcut or the
// application menu's actions. They pass through a socket in the runtime
// folder that the single-instance lock already lives in (made 0700, this
// user's only), and are carried out under the tray menu's own rules.
#pragma once
#include <cstdint>
#include <string>

class QObject;

// The tray command an argument stands for ("--lock" -> "Lock
// Keyboard/Mouse"), or 0 when it is none of the five.
uint32_t OutsideCommandFor(const char* argument);

enum class CommandHandOff {
    Carried,       // the running controller took it (answer: "ok")
    Refused,       // the running controller refused it (answer: why)
    NoController,  // none runs: this process is to become the controller
    Failed,        // one runs but could not be reached (answer: why)
};

// Hands the command to the running controller, waiting for one that is just
// starting. Starts of several commands at once are taken one after the
// other, so that exactly one of them becomes the controller: after
// NoController the others wait until it listens (ListenForCommands).
CommandHandOff HandCommandToController(uint32_t command, std::string& answer);

// In the controller, once it holds the single-instance lock: takes commands
// on the socket from now on, each carried out by the window procedure's
// thread.
void ListenForCommands(QObject* parent);

// Carries out a command this process was started with (after it has become
// the controller), as if it had come through the socket.
void RunStartCommand(uint32_t command);
