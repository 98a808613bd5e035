// A command that runs on the window's own thread and keeps it until it is done (going
// online, reading every page, the register-set and script commands, the EEPROM commands,
// reloading the choice lists, preparing a printout, mailing) holds the window with this.
//
// While held, the busy cursor shows and no window takes input. Clicks and keys made
// meanwhile wait in the toolkit's queue; the hold throws them away when it ends, so that
// nothing the user did while the window looked busy is carried out afterwards. Holds nest:
// only the outermost one does anything.
#pragma once

#include <memory>

namespace torvex {

class WindowHold {
public:
    WindowHold();
    ~WindowHold();
    WindowHold(const WindowHold&) = delete;
    WindowHold& operator=(const WindowHold&) = delete;

private:
    struct Held;
    std::unique_ptr<Held> held_;  // null in a nested hold
};

}  // namespace torvex
