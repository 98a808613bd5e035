// Starts a simulated drive on a loopback address of its own, so that tests running in
// parallel processes never meet on one port.
#pragma once

#include <memory>
#include <string>

#include "tools/drivesim/sim_drive.h"

namespace torvex::test {

// Tries random addresses 127.x.y.z (port 6666) until the drive listens; the chosen
// address is in options.tcpAddress of the returned drive's start. Fails the test when
// no address could be had.
std::unique_ptr<sim::SimDrive> startSimDrive(sim::SimOptions options, std::string* addressOut);

}  // namespace torvex::test
