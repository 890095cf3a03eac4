// Small path helpers shared by the Linux platform files: "/"-separated paths
// as byte strings, and two questions to the file system. Any thread.
#pragma once

#include <string>
#include <sys/stat.h>

namespace PathText
{
inline bool IsAbsolute(const char* path)
{
    return path && path[0] == '/';
}

// "/a/b//" -> "/a/b"; the root stays "/".
inline std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// `folder` + "/" + `name` with one "/" between them; `name` alone without a folder.
inline std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    const std::string base = WithoutTrailingSlashes(folder);
    return base == "/" ? "/" + name : base + "/" + name;
}

// The part before the last "/" ("/" for a file at the root); empty without one.
inline std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The part after the last "/".
inline std::string NameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether `path` names something (a link counts as what it points to).
inline bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

inline bool IsFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
} // namespace PathText
