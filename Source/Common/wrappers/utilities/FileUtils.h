// Helpers for path strings, whole-file reading and safe file replacement, and
// the bridges to the platform's open and save panels and screen size. Paths use
// "/" (a "\" is accepted as a separator too). User-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace FileUtils
{
// The part before the last "/" or "\"; the whole string when there is none.
std::string ExtractDirPath(std::string path);
// The part after the last "/" or "\", cut before its last "." (kept whole
// without a "."): "/a/b/Lead Pad.prg" -> "Lead Pad".
std::string ExtractFileName(std::string path);
// The file name's extension from its last "." (inclusive); empty when the file
// name has no ".". Dots in folder names do not count: "x.tar.mprg" -> ".mprg".
std::string ExtractExtension(std::string path);

// The platform's open panel for one file. `result` receives the chosen path
// (`resultSize` bytes, 2048 in every caller); `extension` restricts the file type
// (a leading "." is optional). `filter` describes the type in the panel's type
// list ("MidiCC map files (*.ccmap)"; text after a zero character is not read).
// False when cancelled, without a result buffer, or when the path does not fit.
bool ShowLoadFileDialog(char* result, int resultSize, const char* filter, const char* extension);
// The platform's save panel, opening in `initialFolder` with `proposedName`; a
// chosen name without the extension gets it appended.
bool ShowSaveFileDialog(char* result, const char* initialFolder, int resultSize, const char* filter,
                        const char* extension, const char* proposedName);

// Folders of the user: empty on this platform (Windows only).
std::string GetWindowsUserDirectory();
// The folder for the user's application data (Linux: $XDG_DATA_HOME or
// ~/.local/share), where the preset library and the preferences live.
std::string GetMacUserLibraryDirectory();
// The user's desktop folder.
std::string GetMacUserDesktopDirectory();

// Size of the main screen in pixels; 0 when unknown (no display).
int GetScreenWidth();
int GetScreenHeight();

// Reads at most `maxSize` bytes of the file into `bytes`. False (and `bytes`
// empty) when the file cannot be opened or read.
bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, size_t maxSize);
// Writes `size` bytes to a new file beside `path` and then puts it in the place
// of `path`, so that a failed write leaves an existing file intact. False on any
// failure (nothing is left behind then).
bool WriteFileReplacing(const std::string& path, const void* data, size_t size);
} // namespace FileUtils
