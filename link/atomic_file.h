// Saving a file so that a failed save never destroys the one it replaces, and reading one whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace torvex {

enum class FileReplaceResult {
    Replaced,
    NotCreated,   // no file can be made there (no such folder, no permission, a folder of that name)
    WriteFailed,  // the file was made, but its bytes could not all be written (no space, a size limit)
};

// Writes the bytes to a new file beside path (same folder, so the same file system),
// flushes it to the disk and renames it over path only when all of it was written. On any
// failure the new file is removed and an earlier file of that name stays as it was. A
// symbolic link is followed: the file it points to is replaced and the link stays. A
// replaced file keeps its permissions.
FileReplaceResult replaceFileAtomically(const std::string& path, const uint8_t* data, size_t size);

// The whole file into out. False when it cannot be opened or a read fails (a broken medium,
// a folder): a failure is reported, never thrown.
bool readWholeFile(const std::string& path, std::string* out);

}  // namespace torvex
