#pragma once
// File helpers shared by the set-up tools, which build a database beside its target and move it
// into place only when it is complete.
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace toolfiles {

// The folder part of path ("." for a bare name).
inline std::string ParentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Flushes a file (or, opened with O_RDONLY | O_DIRECTORY, a folder) to disk.
inline bool SyncPath(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace toolfiles
