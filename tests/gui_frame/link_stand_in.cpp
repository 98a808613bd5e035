// Until the drive connection is part of the link library, the frame tests link against
// these weak stand-ins of the few members the frame touches while offline. Strong
// definitions in the link library take precedence as soon as they exist.
#include "link/connection.h"

namespace torvex {

__attribute__((weak)) DriveTransport::DriveTransport() {}
__attribute__((weak)) DriveTransport::~DriveTransport() {}
__attribute__((weak)) DriveConnection::DriveConnection() {}
__attribute__((weak)) DriveConnection::~DriveConnection() {}
__attribute__((weak)) bool DriveConnection::isConnected() const { return false; }
__attribute__((weak)) extern const char* const portChoices[10] = {"COM1", "COM2", "COM3", "COM4", "COM5",
                                                                   "COM6", "COM7", "COM8", "CAN",  "TCP"};

}  // namespace torvex
