// The torvex-drivesim program: its endpoint lines, its links and a clean end on SIGTERM.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "tests/sim/raw_links.h"

namespace torvex::test {
namespace {

const std::string kProgram = std::string(TORVEX_BINARY_DIR) + "/tools/drivesim/torvex-drivesim";

struct Child {
    pid_t pid = -1;
    int out = -1;

    bool start(const std::vector<std::string>& arguments) {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
        pid = fork();
        if (pid == 0) {
            dup2(pipeFds[1], STDOUT_FILENO);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(kProgram.c_str()));
            for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(kProgram.c_str(), argv.data());
            _exit(127);
        }
        close(pipeFds[1]);
        out = pipeFds[0];
        return pid > 0;
    }
    std::string line(int timeoutMs = 5000) {
        std::string text;
        char c;
        pollfd entry{out, POLLIN, 0};
        while (poll(&entry, 1, timeoutMs) == 1 && read(out, &c, 1) == 1 && c != '\n') text.push_back(c);
        return text;
    }
    // The exit status, or -1 when the program did not end within a few seconds.
    int end(int signal) {
        kill(pid, signal);
        for (int i = 0; i < 500; ++i) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return -1;
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (out >= 0) close(out);
    }
};

std::string randomLoopback() {
    std::mt19937 random(unsigned(getpid()) * 31u + unsigned(time(nullptr)));
    return "127." + std::to_string(1 + random() % 250) + "." + std::to_string(random() % 250) + "." +
           std::to_string(2 + random() % 250);
}

TEST(DriveSimProgram, ServesEveryLinkAndEndsOnSignal) {
    if (!std::filesystem::exists(kProgram)) GTEST_SKIP() << "torvex-drivesim is not built";
    std::string address = randomLoopback();
    Child child;
    ASSERT_TRUE(child.start({"--tcp", address, "--serial", "--can", "--firmware", "321", "--long-replies"}));
    std::string tcpLine = child.line();
    if (tcpLine.empty()) GTEST_SKIP() << "address taken: " << address;
    EXPECT_EQ(tcpLine, "tcp " + address + ":6666");
    std::string serialLine = child.line();
    ASSERT_EQ(serialLine.rfind("serial /dev/", 0), 0u) << serialLine;
    std::string canLine = child.line();
    EXPECT_EQ(canLine.rfind("can TORVEX_CAN_SIM=/", 0), 0u) << canLine;

    int fd = connectRaw(address);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x3D, 0x1B, 0})));
    Bytes reply = readBytes(fd, 16);
    ASSERT_EQ(reply.size(), 16u);
    EXPECT_EQ(reply[4], 6);  // long replies
    EXPECT_EQ(reply[9] | reply[10] << 8, 321);

    int terminal = openRawTerminal(serialLine.substr(7));
    ASSERT_GE(terminal, 0);
    ASSERT_TRUE(sendText(terminal, "3d001bX"));
    EXPECT_EQ(readBytes(terminal, 2), Bytes({321 & 0xFF, 321 >> 8}));

    // Ends cleanly with clients still connected.
    EXPECT_EQ(child.end(SIGTERM), 0);
    close(fd);
    close(terminal);
    EXPECT_FALSE(std::filesystem::exists(canLine.substr(canLine.find('=') + 1)));
}

TEST(DriveSimProgram, DefaultsToLoopbackAndRejectsUnknownOptions) {
    if (!std::filesystem::exists(kProgram)) GTEST_SKIP() << "torvex-drivesim is not built";
    Child wrong;
    ASSERT_TRUE(wrong.start({"--bogus"}));
    int status = 0;
    ASSERT_EQ(waitpid(wrong.pid, &status, 0), wrong.pid);
    wrong.pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);

    Child plain;
    ASSERT_TRUE(plain.start({"--serial-link", (std::filesystem::temp_directory_path() /
                                              ("torvex-sim-link-" + std::to_string(getpid()))).string()}));
    std::string line = plain.line();
    EXPECT_NE(line.find("(link "), std::string::npos) << line;
    EXPECT_EQ(plain.line(300), "");  // a link option given: no TCP
    EXPECT_EQ(plain.end(SIGINT), 0);
}

}  // namespace
}  // namespace torvex::test
