#pragma once
// File helpers shared by the set-up tools. (Building a file beside its target and moving it into
// place whole is store/file_replacement.h.)
#include <string>

namespace toolfiles {

// The folder part of path ("." for a bare name).
inline std::string ParentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace toolfiles
