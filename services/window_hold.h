// A command that runs on the window's own thread and keeps it until it is done (going
// online, reading every page, the register-set and script commands, the EEPROM commands,
// reloading the choice lists, a printout of the registers, mailing) holds the window with this.
//
// While held, the busy cursor shows (from the start, also where a dialog was just closed,
// whose picture is gone by then) and no window takes input. Clicks and keys made meanwhile
// wait in the toolkit's queue; the hold throws them away when it ends, so that nothing the
// user did while the window looked busy is carried out afterwards. Holds nest: only the
// outermost one does anything.
#pragma once

#include <memory>

namespace torvex {

class WindowHold {
public:
    WindowHold();
    ~WindowHold();
    WindowHold(const WindowHold&) = delete;
    WindowHold& operator=(const WindowHold&) = delete;

    // Inside a hold: throws away the clicks and keys made so far, as the hold's end does.
    // Every box and dialog shown during a command asks for this first, so that a key pressed
    // while the window looked busy cannot answer a box the user has not seen yet.
    static void dropHeldInput();

private:
    struct Held;
    std::unique_ptr<Held> held_;  // null in a nested hold
};

}  // namespace torvex
