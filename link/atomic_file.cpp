#include "link/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvex {

namespace {

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// A name beside the target, on the same file system, so the final rename is atomic.
std::string temporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

FileReplaceResult replaceFileAtomically(const std::string& chosenPath, const uint8_t* data, size_t size) {
    // Saving under a symbolic link updates the file it points to, as writing into it would;
    // the link itself stays.
    std::string path = chosenPath;
    if (char* real = ::realpath(chosenPath.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    // A folder of that name can never become the file: said before anything is written.
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return FileReplaceResult::NotCreated;

    const std::string temporary = temporaryNameFor(path);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return FileReplaceResult::NotCreated;
    auto discard = [&] {
        ::close(fd);
        ::unlink(temporary.c_str());
        return FileReplaceResult::WriteFailed;
    };

    // The new file takes the place of the old one: it keeps the old one's permissions, so
    // that a file kept private does not become readable to others by being saved again.
    if (exists && S_ISREG(existing.st_mode) && ::fchmod(fd, existing.st_mode & 07777) != 0) return discard();
    if (!writeAll(fd, data, size) || ::fsync(fd) != 0) return discard();
    if (::close(fd) != 0) {
        ::unlink(temporary.c_str());
        return FileReplaceResult::WriteFailed;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return FileReplaceResult::WriteFailed;
    }
    return FileReplaceResult::Replaced;
}

bool readWholeFile(const std::string& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // Through the stream, not its buffer: a failing read then marks the stream bad instead
    // of throwing out of the caller.
    out->clear();
    char chunk[4096];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) out->append(chunk, static_cast<size_t>(in.gcount()));
    return !in.bad();
}

}  // namespace torvex
