#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>

#include "tools/drivesim/sim_links.h"

namespace torvex::sim {

namespace {

constexpr uint8_t kStrayByte = 0xA5;
constexpr size_t kLongestRequest = 10;  // "%02x%08x" before the closing X

bool parseHex(const std::string& text, size_t from, size_t count, uint32_t& out) {
    out = 0;
    for (size_t i = from; i < from + count; ++i) {
        int c = text[i];
        if (!std::isxdigit(c)) return false;
        out = out << 4 | uint32_t(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    return true;
}

}  // namespace

SerialLink::~SerialLink() {
    closeTerminal();
    if (!symlinkPath_.empty()) {
        // Only our own link goes: another drive may have taken the name meanwhile.
        char target[PATH_MAX];
        ssize_t size = readlink(symlinkPath_.c_str(), target, sizeof target - 1);
        std::string ours = path();
        if (size > 0 && std::string(target, size_t(size)) == ours) unlink(symlinkPath_.c_str());
    }
}

bool SerialLink::open(const std::string& symlinkPath) {
    symlinkPath_ = symlinkPath;
    return openTerminal();
}

bool SerialLink::openTerminal() {
    char name[PATH_MAX] = {};
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        master_ = slave_ = -1;
        return false;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    {
        std::lock_guard lock(pathMutex_);
        path_ = name;
    }
    if (!symlinkPath_.empty()) {
        // An old link is replaced, but never a file that is not one.
        struct stat existing {};
        if (lstat(symlinkPath_.c_str(), &existing) == 0) {
            if (!S_ISLNK(existing.st_mode)) return false;
            unlink(symlinkPath_.c_str());
        }
        if (symlink(name, symlinkPath_.c_str()) != 0) return false;
    }
    return true;
}

void SerialLink::closeTerminal() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
}

std::string SerialLink::path() const {
    std::lock_guard lock(pathMutex_);
    return path_;
}

void SerialLink::start() { thread_ = std::thread([this] { run(); }); }

void SerialLink::join() {
    if (thread_.joinable()) thread_.join();
}

void SerialLink::run() {
    while (!stop_.raised() && master_ >= 0) {
        pollfd entries[2] = {{stop_.fd(), POLLIN, 0}, {master_, POLLIN, 0}};
        if (poll(entries, 2, -1) < 0 && errno != EINTR) break;
        if (stop_.raised()) break;
        if (!(entries[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        uint8_t buffer[256];
        ssize_t got = read(master_, buffer, sizeof buffer);
        if (got <= 0) {
            // Nobody on the other side right now; try again shortly.
            if (!stop_.sleep(10)) break;
            continue;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (!take(buffer[i])) break;  // the line was dropped with the rest of this read
        }
    }
}

bool SerialLink::take(uint8_t byte) {
    if (byte != 'X') {
        text_.push_back(char(byte));
        // Only the tail can still become a request.
        if (text_.size() > kLongestRequest) text_.erase(0, text_.size() - kLongestRequest);
        return true;
    }
    std::string text = std::move(text_);
    text_.clear();
    // Resynchronise on the last complete request in front of the X: a 16-bit register
    // takes six digits, a 32-bit one ten.
    for (size_t digits : {size_t(10), size_t(6)}) {
        if (text.size() < digits) continue;
        size_t from = text.size() - digits;
        uint32_t reg = 0;
        uint32_t value = 0;
        if (!parseHex(text, from, 2, reg) || size_t(2 + 2 * registerBytes(reg)) != digits) continue;
        if (!parseHex(text, from + 2, digits - 2, value)) continue;
        std::vector<uint8_t> raw(text.begin() + long(from), text.end());
        raw.push_back('X');
        if (!answer(model_.handleRequest(Link::Serial, reg, value, std::move(raw)))) {
            // The line is dropped: the client's side hangs up, and a new terminal
            // (with a new name; the symlink follows) waits for the next client. It is
            // set up first, so whoever sees the hang-up already finds the new name.
            int oldMaster = master_;
            int oldSlave = slave_;
            if (!openTerminal()) master_ = slave_ = -1;
            close(oldMaster);
            close(oldSlave);
            return false;
        }
        return true;
    }
    return true;
}

bool SerialLink::answer(const Answer& answer) {
    if (answer.closeLink) return false;
    std::vector<uint8_t> out;
    if (answer.strayByte) out.push_back(kStrayByte);
    for (const Reply& reply : answer.replies) {
        for (int i = 0; i < reply.bytes; ++i) out.push_back(uint8_t(reply.value >> (8 * i)));
    }
    // A reply one byte short: the client's word read must give up rather than hang.
    if (answer.wrongLength && !answer.replies.empty()) out.pop_back();
    if (out.empty()) return true;
    if (answer.delayMs > 0 && !stop_.sleep(answer.delayMs)) return true;
    if (!answer.splitRecord) {
        writeAll(master_, out.data(), out.size(), stop_);
        return true;
    }
    for (size_t i = 0; i < out.size(); ++i) {
        if (i > 0 && !stop_.sleep(kSplitPauseMs)) break;
        writeAll(master_, out.data() + i, 1, stop_);
    }
    return true;
}

}  // namespace torvex::sim
