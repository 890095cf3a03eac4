#include "FileUtils.h"

#include "Platform/Platform.h"

#include <cstdio>

namespace
{
size_t FindLastSeparator(const std::string& path)
{
    return path.find_last_of("/\\");
}

// The extension without one leading ".": ".prg" -> "prg"; null stays "".
std::string WithoutLeadingDot(const char* extension)
{
    if (!extension)
        return std::string();
    return extension[0] == '.' ? std::string(extension + 1) : std::string(extension);
}
} // namespace

namespace FileUtils
{
std::string ExtractDirPath(std::string path)
{
    const size_t separator = FindLastSeparator(path);
    if (separator != std::string::npos)
        path.erase(separator);
    return path;
}

std::string ExtractFileName(std::string path)
{
    const size_t separator = FindLastSeparator(path);
    if (separator != std::string::npos)
        path.erase(0, separator + 1);
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos)
        path.erase(dot);
    return path;
}

std::string ExtractExtension(std::string path)
{
    const size_t separator = FindLastSeparator(path);
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return std::string();
    return path.substr(dot);
}

bool ShowLoadFileDialog(char* result, int resultSize, const char* filter, const char* extension)
{
    if (!result || resultSize <= 0)
        return false;
    return Platform::ShowOpenFileDialog(result, resultSize, filter,
                                        WithoutLeadingDot(extension).c_str());
}

bool ShowSaveFileDialog(char* result, const char* initialFolder, int resultSize, const char* filter,
                        const char* extension, const char* proposedName)
{
    if (!result || resultSize <= 0)
        return false;
    return Platform::ShowSaveFileDialog(result, resultSize, initialFolder, filter,
                                        WithoutLeadingDot(extension).c_str(), proposedName);
}

std::string GetWindowsUserDirectory()
{
    return std::string();
}

std::string GetMacUserLibraryDirectory()
{
    return Platform::GetUserDataFolder();
}

std::string GetMacUserDesktopDirectory()
{
    return Platform::GetUserDesktopFolder();
}

int GetScreenWidth()
{
    int width = 0;
    int height = 0;
    Platform::GetScreenSize(width, height);
    return width;
}

int GetScreenHeight()
{
    int width = 0;
    int height = 0;
    Platform::GetScreenSize(width, height);
    return height;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, size_t maxSize)
{
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    uint8_t buffer[4096];
    bool ok = true;
    while (bytes.size() < maxSize)
    {
        size_t wanted = maxSize - bytes.size();
        if (wanted > sizeof(buffer))
            wanted = sizeof(buffer);
        const size_t got = std::fread(buffer, 1, wanted, file);
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got < wanted)
        {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (!ok)
        bytes.clear();
    return ok;
}

bool WriteFileReplacing(const std::string& path, const void* data, size_t size)
{
    if (!data && size > 0)
        return false;
    std::string tempPath;
    std::FILE* file = Platform::CreateTempFileBeside(path, tempPath);
    if (!file)
        return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, file) == size;
    ok = Platform::SyncFile(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    ok = ok && Platform::ReplaceFile(tempPath, path);
    if (!ok)
        Platform::RemoveFile(tempPath);
    return ok;
}
} // namespace FileUtils
