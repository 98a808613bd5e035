// The system's mail submission program (sendmail or a compatible one): finding it and
// handing it one complete message on its standard input. The program is started from an
// argument vector, never through a shell.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace torvex::platform {

// Folders searched after PATH: a user's PATH often lacks the sbin folders where the
// program usually lives.
extern const char* const kSendmailSystemFolders[];

// The full path of an executable "sendmail": each folder of PATH first, then the system
// folders. Empty when none is found.
std::string findSendmail();

// Replaces the system folders (null: the built-in list again), so that tests decide
// whether a program is found.
void setSendmailSystemFoldersForTesting(const std::vector<std::string>* folders);

enum class SendmailResult {
    Delivered,       // took the whole message and exited with 0
    StartFailed,     // could not be started
    ExitStatus,      // exited with another status (in exitStatus)
    Signalled,       // ended by a signal
    NotRead,         // ended before reading the whole message
    TimedOut,        // did not finish in time; it was killed
};

struct SendmailOutcome {
    SendmailResult result = SendmailResult::StartFailed;
    int exitStatus = -1;
    std::string output;  // the beginning of what the program wrote (stdout and stderr)
};

// Runs program with args (argv[1..]) and writes message to its standard input, then
// closes it and waits for the program. Its output is read and dropped as it comes (the
// first few kilobytes are kept), so a talkative program never blocks. After timeoutMs in
// all the program is killed. The calling process never receives SIGPIPE from this.
// whileWaiting, when given, is called about every 20 ms meanwhile (a window keeps
// painting itself).
SendmailOutcome runSendmail(const std::string& program, const std::vector<std::string>& args,
                            const std::string& message, int timeoutMs,
                            const std::function<void()>& whileWaiting = {});

}  // namespace torvex::platform
