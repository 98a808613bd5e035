// The frame fixture is built into this test program from its own folder.
#include "tests/gui_frame/frame_fixture.cpp"
