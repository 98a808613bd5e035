// Raw client ends of the simulated drive's links, so the tests see the exact bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace torvex::test {

using Bytes = std::vector<uint8_t>;

// A connected TCP socket to address:6666, or -1.
int connectRaw(const std::string& address);
// A pseudo-terminal's slave opened in raw mode, or -1.
int openRawTerminal(const std::string& path);

bool sendBytes(int fd, const Bytes& bytes);
bool sendText(int fd, const std::string& text);
// Reads exactly count bytes; fewer when nothing more arrives within timeoutMs (or the
// peer closed). reads, when given, counts the read calls it took.
Bytes readBytes(int fd, size_t count, int timeoutMs = 2000, int* reads = nullptr);
// True when the peer closed (or hung up) within timeoutMs.
bool peerClosed(int fd, int timeoutMs = 2000);

// A 16-byte TCP record: identifier, length, data (the rest 0).
Bytes tcpRecord(uint32_t id, uint8_t length, const Bytes& data);

}  // namespace torvex::test
