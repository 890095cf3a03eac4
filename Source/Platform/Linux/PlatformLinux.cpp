// Linux implementation of the platform layer: XDG base directories, POSIX file
// calls, the screen size from the X display, and alerts, file panels and the
// file manager through the desktop's tools (DesktopDialogs.h).
#include "Platform/Platform.h"

#include "Platform/Linux/DesktopDialogs.h"
#include "Platform/Linux/PathText.h"
#include "Platform/Linux/PlatformLinux.h"
#include "Platform/Linux/ProcessToolRunner.h"
#include "Platform/Linux/X11Dialog.h"

#include <X11/Xlib.h>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using PathText::FolderOf;
using PathText::IsAbsolute;
using PathText::IsFolder;
using PathText::WithoutTrailingSlashes;

namespace
{
// The value of XDG_DESKTOP_DIR in the user-dirs file: "$HOME/..." or an absolute
// path in double quotes. Empty when the file or a valid line is missing.
std::string ReadXdgDesktopDir(const std::string& home)
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string configFolder =
        IsAbsolute(configHome) ? WithoutTrailingSlashes(configHome) : home + "/.config";
    std::ifstream file(configFolder + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=\"";
    while (std::getline(file, line))
    {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        const size_t valueStart = start + key.size();
        const size_t valueEnd = line.find('"', valueStart);
        if (valueEnd == std::string::npos)
            continue;
        std::string value = line.substr(valueStart, valueEnd - valueStart);
        if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
            return WithoutTrailingSlashes(home + value.substr(5));
        if (IsAbsolute(value.c_str()))
            return WithoutTrailingSlashes(value);
    }
    return std::string();
}

IToolRunner* g_toolRunner = nullptr;
IFallbackDialog* g_fallbackDialog = nullptr;
// The folder of the file last chosen in a panel: where the next open panel starts.
std::string g_lastFolder;

CDesktopDialogs MakeDialogs()
{
    static CProcessToolRunner s_processRunner;
    static CX11Dialog s_x11Dialog;
    return CDesktopDialogs(g_toolRunner ? *g_toolRunner : s_processRunner,
                           g_fallbackDialog ? *g_fallbackDialog : s_x11Dialog,
                           CDesktopDialogs::ReadEnvironment());
}

std::string TextOrEmpty(const char* text)
{
    return text ? std::string(text) : std::string();
}

// The home folder, or "/" when there is none.
std::string HomeOrRoot()
{
    const std::string home = Platform::GetUserHomeFolder();
    return home.empty() ? "/" : home;
}

// A panel's request: an absolute start folder, else the folder of the file
// last chosen, else the home folder; the extension without its leading dot.
FILE_REQUEST MakeRequest(const std::string& title, const std::string& filterText,
                         const std::string& extension, const std::string& initialFolder)
{
    FILE_REQUEST request;
    request.title = title;
    if (IsAbsolute(initialFolder.c_str()))
        request.folder = initialFolder;
    else
        request.folder = IsFolder(g_lastFolder) ? g_lastFolder : HomeOrRoot();
    request.filterText = filterText;
    request.extension = !extension.empty() && extension[0] == '.' ? extension.substr(1) : extension;
    return request;
}

// Copies a chosen path into the caller's buffer, terminated; a path that does
// not fit is refused whole rather than cut into another, wrong path.
bool CopyResult(const std::string& path, char* result, int resultSize)
{
    if (path.size() >= static_cast<size_t>(resultSize))
        return false;
    std::memcpy(result, path.c_str(), path.size() + 1);
    return true;
}
} // namespace

namespace Platform
{
std::string GetUserHomeFolder()
{
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home))
        return WithoutTrailingSlashes(home);
    // No usable $HOME: the password database.
    long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (bufferSize <= 0)
        bufferSize = 16384;
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    struct passwd entry;
    struct passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
        IsAbsolute(result->pw_dir))
        return WithoutTrailingSlashes(result->pw_dir);
    return std::string();
}

std::string GetUserDataFolder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (IsAbsolute(dataHome))
        return WithoutTrailingSlashes(dataHome);
    const std::string home = GetUserHomeFolder();
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string GetUserDesktopFolder()
{
    const std::string home = GetUserHomeFolder();
    if (home.empty())
        return std::string();
    const std::string desktop = ReadXdgDesktopDir(home);
    return desktop.empty() ? home + "/Desktop" : desktop;
}

bool CreateFolders(const std::string& path)
{
    if (path.empty())
        return false;
    // Every prefix ending before a "/", then the whole path.
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
    {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        return false;
    return IsFolder(path);
}

std::FILE* CreateTempFileBeside(const std::string& target, std::string& tempPath)
{
    static std::atomic<unsigned> s_counter{0};
    const size_t slash = target.rfind('/');
    const bool hasFolder = slash != std::string::npos;
    const std::string folder = hasFolder ? target.substr(0, slash + 1) : std::string();
    const std::string name = hasFolder ? target.substr(slash + 1) : target;
    if (name.empty())
        return nullptr;
    // A hidden name that no preset scan takes for a file of its type.
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const unsigned number = s_counter.fetch_add(1);
        const std::string candidate = folder + "." + name + "." + std::to_string(getpid()) + "." +
                                      std::to_string(number) + ".tmp";
        // 0666 and the user's umask: the same permissions as a file made by fopen.
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
        {
            if (errno == EEXIST)
                continue;
            return nullptr;
        }
        std::FILE* file = fdopen(fd, "wb");
        if (!file)
        {
            close(fd);
            unlink(candidate.c_str());
            return nullptr;
        }
        tempPath = candidate;
        return file;
    }
    return nullptr;
}

bool SyncFile(std::FILE* file)
{
    if (!file || std::fflush(file) != 0)
        return false;
    return fsync(fileno(file)) == 0;
}

bool ReplaceFile(const std::string& tempPath, const std::string& target)
{
    return std::rename(tempPath.c_str(), target.c_str()) == 0;
}

bool RemoveFile(const std::string& path)
{
    return !path.empty() && unlink(path.c_str()) == 0;
}

bool ListDirectory(const std::string& path, std::vector<DIRECTORY_ENTRY>& entries)
{
    entries.clear();
    DIR* folder = path.empty() ? nullptr : opendir(path.c_str());
    if (!folder)
        return false;
    const std::string prefix = path.back() == '/' ? path : path + "/";
    while (const dirent* entry = readdir(folder))
    {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        DIRECTORY_ENTRY item;
        item.name = name;
        if (entry->d_type == DT_DIR)
            item.isFolder = true;
        else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            item.isFolder = IsFolder(prefix + name); // follows a link; asks when unknown
        entries.push_back(item);
    }
    closedir(folder);
    return true;
}

void GetScreenSize(int& width, int& height)
{
    width = 0;
    height = 0;
    const char* name = std::getenv("DISPLAY");
    if (!name || !name[0])
        return;
    // A connection of its own, for this question only.
    Display* display = XOpenDisplay(name);
    if (!display)
        return;
    const int screen = DefaultScreen(display);
    width = DisplayWidth(display, screen);
    height = DisplayHeight(display, screen);
    XCloseDisplay(display);
}

bool ShowAlert(const char* title, const char* message, bool withCancel)
{
    return MakeDialogs().ShowAlert(TextOrEmpty(title), TextOrEmpty(message), withCancel);
}

bool ChooseFileToOpen(const std::string& title, const std::string& filterText,
                      const std::string& extension, const std::string& initialFolder,
                      std::string& path)
{
    FILE_REQUEST request =
        MakeRequest(title.empty() ? "Open File" : title, filterText, extension, initialFolder);
    std::string chosen;
    if (!MakeDialogs().ChooseFileToOpen(request, chosen))
        return false;
    path = chosen;
    g_lastFolder = FolderOf(chosen);
    return true;
}

bool ChooseFileToSave(const std::string& title, const std::string& filterText,
                      const std::string& extension, const std::string& initialFolder,
                      const std::string& proposedName, std::string& path)
{
    FILE_REQUEST request =
        MakeRequest(title.empty() ? "Save File" : title, filterText, extension, initialFolder);
    request.proposedName = proposedName;
    std::string chosen;
    if (!MakeDialogs().ChooseFileToSave(request, chosen))
        return false;
    path = chosen;
    g_lastFolder = FolderOf(chosen);
    return true;
}

bool ShowOpenFileDialog(char* result, int resultSize, const char* filterText, const char* extension)
{
    std::string path;
    return result && resultSize > 0 &&
           ChooseFileToOpen(std::string(), TextOrEmpty(filterText), TextOrEmpty(extension),
                            std::string(), path) &&
           CopyResult(path, result, resultSize);
}

bool ShowSaveFileDialog(char* result, int resultSize, const char* initialFolder,
                        const char* filterText, const char* extension, const char* proposedName)
{
    std::string path;
    return result && resultSize > 0 &&
           ChooseFileToSave(std::string(), TextOrEmpty(filterText), TextOrEmpty(extension),
                            TextOrEmpty(initialFolder), TextOrEmpty(proposedName), path) &&
           CopyResult(path, result, resultSize);
}

bool RevealInFileManager(const std::string& path)
{
    return MakeDialogs().RevealInFileManager(path);
}

IToolRunner* SetToolRunner(IToolRunner* runner)
{
    IToolRunner* previous = g_toolRunner;
    g_toolRunner = runner;
    return previous;
}

IFallbackDialog* SetFallbackDialog(IFallbackDialog* dialog)
{
    IFallbackDialog* previous = g_fallbackDialog;
    g_fallbackDialog = dialog;
    return previous;
}
} // namespace Platform
