#include "PresetFileWriter.h"

#include "Platform/Platform.h"

#include <cerrno>
#include <cstdio>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace PresetFileWriter
{
namespace
{
SAVE_OBSERVER s_observer = nullptr;

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Makes the rename itself durable. File systems that cannot sync a folder say so
// with EINVAL; only a real write error counts as a failure.
bool SyncFolder(const std::string& folder)
{
#if defined(__unix__) || defined(__APPLE__)
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true;
    const bool ok = fsync(fd) == 0 || errno != EIO;
    close(fd);
    return ok;
#else
    (void)folder;
    return true;
#endif
}
} // namespace

bool Write(const std::string& path, const void* data, size_t size)
{
    if (path.empty() || (!data && size > 0))
        return false;
    const std::string folder = FolderOf(path);
    // The platform names the temporary file after the target it is given: a neutral
    // name keeps the preset's extension out of it.
    std::string tempPath;
    std::FILE* file = Platform::CreateTempFileBeside(folder + "/morvex-save", tempPath);
    if (!file)
        return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, file) == size;
    ok = Platform::SyncFile(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && s_observer)
        s_observer(tempPath);
    ok = ok && Platform::ReplaceFile(tempPath, path);
    if (!ok)
    {
        Platform::RemoveFile(tempPath);
        return false;
    }
    return SyncFolder(folder);
}

SAVE_OBSERVER SetSaveObserver(SAVE_OBSERVER observer)
{
    const SAVE_OBSERVER previous = s_observer;
    s_observer = observer;
    return previous;
}
} // namespace PresetFileWriter
