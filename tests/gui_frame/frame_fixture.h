// Moved: the fixture is shared by every GUI test program.
#pragma once
#include "tests/support/frame_fixture.h"
