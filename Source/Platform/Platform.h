// The plug-in's only contact with the operating system outside the C and C++
// libraries: user folders, folder creation, file replacement, the screen size,
// alerts, file dialogs and the file manager. Each platform implements these
// functions in its own source file (Linux: Linux/PlatformLinux.cpp).
// User-interface thread only; nothing here may be called on the audio thread.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace Platform
{
// The user's home folder without a trailing "/"; empty when it cannot be found.
std::string GetUserHomeFolder();

// The folder for per-user application data without a trailing "/" (Linux:
// $XDG_DATA_HOME when set and absolute, else $HOME/.local/share); empty when no
// home folder can be found.
std::string GetUserDataFolder();

// The user's desktop folder without a trailing "/" (Linux: XDG_DESKTOP_DIR of
// the user-dirs file, else $HOME/Desktop); empty when no home folder can be found.
std::string GetUserDesktopFolder();

// Creates `path` and every missing parent folder. True when the folder exists
// afterwards.
bool CreateFolders(const std::string& path);

// Opens a new, empty file for writing in the folder of `target`, under a name
// no other file has, and stores that name in `tempPath`. Null on failure.
std::FILE* CreateTempFileBeside(const std::string& target, std::string& tempPath);

// Flushes `file` and asks the system to put its bytes on the disk. False on a
// write error.
bool SyncFile(std::FILE* file);

// Atomically replaces `target` by the file `tempPath` of the same folder: a
// reader sees either the old or the new file, never a mix. False on failure,
// in which case `target` is unchanged.
bool ReplaceFile(const std::string& tempPath, const std::string& target);

// Deletes the file `path`. False when it could not be deleted (or did not exist).
bool RemoveFile(const std::string& path);

// One entry of a folder listing: its name (without the folder) and whether it is
// a folder itself (a link counts as what it points to).
struct DIRECTORY_ENTRY
{
    std::string name;
    bool isFolder = false;
};

// The entries of the folder `path` other than "." and "..", in the order the
// system gives them. False, and `entries` empty, when the folder cannot be read.
bool ListDirectory(const std::string& path, std::vector<DIRECTORY_ENTRY>& entries);

// Size of the default screen of the X display in pixels; 0 x 0 when there is no
// display.
void GetScreenSize(int& width, int& height);

// A modal alert with `title` and `message` (UTF-8), with a "Cancel" button when
// `withCancel`. False only when the user chose "Cancel"; without a display the
// message goes to standard error and the answer is true. Linux: zenity or
// kdialog, else a window of our own.
bool ShowAlert(const char* title, const char* message, bool withCancel);

// The platform's open and save panels. `filterText` describes the file type
// ("MidiCC map files (*.ccmap)"; null or empty: made from the extension) and
// `extension` is without a leading dot (empty or null: any file). The open panel
// starts in the folder of the last file chosen, else the home folder; the save
// panel in `initialFolder` with `proposedName` filled in, and a chosen name
// without the extension gets it appended. On confirmation the chosen path is
// copied, terminated, into `result` (`resultSize` bytes) and the answer is true;
// a cancelled panel, no display, or a path that does not fit answers false and
// leaves `result` unchanged.
bool ShowOpenFileDialog(char* result, int resultSize, const char* filterText,
                        const char* extension);
bool ShowSaveFileDialog(char* result, int resultSize, const char* initialFolder,
                        const char* filterText, const char* extension, const char* proposedName);

// The same panels for callers that hold std::string paths (the editor's file
// selector): titled `title` (empty: "Open File" / "Save File"), starting in
// `initialFolder` when it is an absolute path. `extension` may carry a leading
// dot. True with the chosen path in `path` on confirmation.
bool ChooseFileToOpen(const std::string& title, const std::string& filterText,
                      const std::string& extension, const std::string& initialFolder,
                      std::string& path);
bool ChooseFileToSave(const std::string& title, const std::string& filterText,
                      const std::string& extension, const std::string& initialFolder,
                      const std::string& proposedName, std::string& path);

// Shows the file `path` selected in the desktop's file manager, or opens the
// folder `path` in it (a path that no longer exists: its nearest existing
// folder). Returns at once, without waiting for the file manager; false when no
// tool for it could be started.
bool RevealInFileManager(const std::string& path);
} // namespace Platform
