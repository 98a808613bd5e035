#include "platform/sendmail.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>

extern char** environ;

namespace torvex::platform {

const char* const kSendmailSystemFolders[] = {"/usr/sbin", "/usr/lib", "/sbin", "/usr/local/sbin", "/usr/bin",
                                              nullptr};

namespace {

constexpr size_t kKeptOutput = 4096;

std::mutex g_foldersMutex;
bool g_foldersReplaced = false;
std::vector<std::string> g_folders;

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> systemFolders() {
    std::lock_guard lock(g_foldersMutex);
    if (g_foldersReplaced) return g_folders;
    std::vector<std::string> folders;
    for (const char* const* folder = kSendmailSystemFolders; *folder; ++folder) folders.emplace_back(*folder);
    return folders;
}

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

struct Pipe {
    int read = -1;
    int write = -1;
    bool open() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
    ~Pipe() {
        closeFd(read);
        closeFd(write);
    }
};

void setNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

void keepOutput(std::string& kept, const char* data, size_t size) {
    if (kept.size() < kKeptOutput) kept.append(data, std::min(size, kKeptOutput - kept.size()));
}

// Reads what is there without waiting; false once the other end is closed.
bool drainOutput(int fd, std::string& kept) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            keepOutput(kept, buffer, static_cast<size_t>(got));
            continue;
        }
        if (got == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

}  // namespace

void setSendmailSystemFoldersForTesting(const std::vector<std::string>* folders) {
    std::lock_guard lock(g_foldersMutex);
    g_foldersReplaced = folders != nullptr;
    g_folders = folders ? *folders : std::vector<std::string>();
}

std::string findSendmail() {
    std::vector<std::string> folders;
    if (const char* path = std::getenv("PATH")) {
        std::string list(path);
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            // An empty entry would mean the current folder: never run a program from there.
            if (end > start && list[start] == '/') folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    for (std::string& folder : systemFolders()) folders.push_back(std::move(folder));
    for (const std::string& folder : folders) {
        const std::string candidate = folder + "/sendmail";
        if (isExecutableFile(candidate)) return candidate;
    }
    return std::string();
}

SendmailOutcome runSendmail(const std::string& program, const std::vector<std::string>& args,
                            const std::string& message, int timeoutMs,
                            const std::function<void()>& whileWaiting) {
    using Clock = std::chrono::steady_clock;
    SendmailOutcome outcome;
    Pipe input;
    Pipe output;
    if (program.empty() || !input.open() || !output.open()) return outcome;

    std::vector<std::string> argvTexts;
    argvTexts.push_back(program);
    argvTexts.insert(argvTexts.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& text : argvTexts) argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.read, 0);
    posix_spawn_file_actions_adddup2(&actions, output.write, 1);
    posix_spawn_file_actions_adddup2(&actions, output.write, 2);
    posix_spawnattr_init(&attributes);
    // The child starts with default signal handling and nothing blocked, whatever this
    // process set up for itself.
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return outcome;

    // This process keeps its own copy of the reading end: writing never raises SIGPIPE,
    // and after the program ended, whatever it left unread is still counted there.
    closeFd(output.write);
    setNonBlocking(input.write);
    setNonBlocking(output.read);

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    size_t written = 0;
    int status = 0;
    bool exited = false;
    bool timedOut = false;
    bool outputOpen = true;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            exited = true;
            break;
        }
        if (input.write >= 0 && written == message.size()) closeFd(input.write);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            timedOut = true;
            break;
        }
        pollfd fds[2];
        nfds_t count = 0;
        if (outputOpen) fds[count++] = {output.read, POLLIN, 0};
        if (input.write >= 0) fds[count++] = {input.write, POLLOUT, 0};
        // Short slices: the program's end is noticed by waitpid above.
        poll(fds, count, static_cast<int>(std::min<long long>(left, 20)));
        if (whileWaiting) whileWaiting();
        if (outputOpen) outputOpen = drainOutput(output.read, outcome.output);
        if (input.write >= 0) {
            while (written < message.size()) {
                const ssize_t put = write(input.write, message.data() + written, message.size() - written);
                if (put > 0) {
                    written += static_cast<size_t>(put);
                } else if (put < 0 && errno == EINTR) {
                    continue;
                } else {
                    break;  // full for now
                }
            }
        }
    }
    if (outputOpen) drainOutput(output.read, outcome.output);

    int unread = 0;
    if (ioctl(input.read, FIONREAD, &unread) != 0) unread = 0;
    const bool allTaken = written == message.size() && unread == 0;
    if (timedOut) {
        outcome.result = SendmailResult::TimedOut;
    } else if (!exited) {
        outcome.result = SendmailResult::StartFailed;
    } else if (WIFSIGNALED(status)) {
        outcome.result = SendmailResult::Signalled;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        outcome.result = SendmailResult::ExitStatus;
        outcome.exitStatus = WEXITSTATUS(status);
    } else if (!allTaken) {
        outcome.result = SendmailResult::NotRead;
        outcome.exitStatus = 0;
    } else {
        outcome.result = SendmailResult::Delivered;
        outcome.exitStatus = 0;
    }
    return outcome;
}

}  // namespace torvex::platform
