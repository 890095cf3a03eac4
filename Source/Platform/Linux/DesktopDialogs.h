// Open and save panels, alerts and "show in file manager" through the tools of
// the user's desktop: zenity (GNOME and most others) or kdialog (KDE, tried
// first there), each run as a child process with an argument vector; when
// neither can be started, the plug-in's own fallback dialog. Revealing a file
// asks the file manager over D-Bus (org.freedesktop.FileManager1) and falls
// back to opening the folder with xdg-open. User-interface thread only; the
// panels and alerts block until the user answers.
#pragma once

#include "Platform/Linux/FallbackDialog.h"
#include "Platform/Linux/ToolRunner.h"

#include <string>
#include <vector>

// What the desktop around the host offers, read from the environment.
struct DESKTOP_ENVIRONMENT
{
    // $DISPLAY or $WAYLAND_DISPLAY is set: there is a screen to show a window on.
    bool hasDisplay = false;
    // $XDG_CURRENT_DESKTOP names KDE: kdialog goes before zenity.
    bool prefersKde = false;
};

// One open or save panel.
struct FILE_REQUEST
{
    std::string title;
    // Absolute folder the panel opens in.
    std::string folder;
    // Save panels: the proposed file name, with or without the extension.
    std::string proposedName;
    // Description of the file type ("MidiCC map files (*.ccmap)"); made from the
    // extension when empty.
    std::string filterText;
    // Without a leading dot; empty for any file.
    std::string extension;
};

class CDesktopDialogs
{
public:
    CDesktopDialogs(IToolRunner& runner, IFallbackDialog& fallback,
                    const DESKTOP_ENVIRONMENT& environment);

    // The environment of this process.
    static DESKTOP_ENVIRONMENT ReadEnvironment();

    // A modal alert; false only when the user chose "Cancel". Without a display
    // it is taken as acknowledged (true).
    bool ShowAlert(const std::string& title, const std::string& message, bool withCancel);

    // The open panel for one existing file. True with the chosen path in `path`
    // when confirmed; false when cancelled or without a display.
    bool ChooseFileToOpen(const FILE_REQUEST& request, std::string& path);

    // The save panel. A chosen name that does not end in the extension gets it
    // appended; replacing an existing file is confirmed with the user first.
    bool ChooseFileToSave(const FILE_REQUEST& request, std::string& path);

    // Shows the file `path` selected in the file manager, or opens the folder
    // `path`; for a path that does not exist, its nearest existing folder. Starts
    // the tools detached and returns at once: true when one could be started.
    bool RevealInFileManager(const std::string& path);

    // "file://" and the absolute `path` with every byte but letters, digits,
    // "-._~" and "/" percent-encoded (UTF-8 stays as its escaped bytes).
    static std::string FileUri(const std::string& path);

    // How the dialog tools' argument vectors are built; public for the tests.
    // The file-type description as zenity and kdialog can take it: the text
    // before any "|", line breaks as spaces, or "*.ext files" when empty.
    static std::string FilterName(const std::string& filterText, const std::string& extension);
    static std::vector<std::string> ZenityFileArguments(const FILE_REQUEST& request,
                                                        bool forSaving);
    static std::vector<std::string> KdialogFileArguments(const FILE_REQUEST& request,
                                                         bool forSaving);
    static std::vector<std::string>
    ZenityAlertArguments(const std::string& title, const std::string& message, bool withCancel);
    static std::vector<std::string>
    KdialogAlertArguments(const std::string& title, const std::string& message, bool withCancel);

private:
    enum class ANSWER
    {
        Confirmed,
        Cancelled,
        Failed // the tool could not be started or broke down: try the next one
    };

    std::vector<std::string> DialogTools();
    ANSWER RunFileTool(const std::string& tool, const FILE_REQUEST& request, bool forSaving,
                       std::string& path);
    bool AskFallbackForPath(const FILE_REQUEST& request, bool forSaving, std::string& path);
    bool ConfirmReplacing(const std::string& path);

    IToolRunner& m_runner;
    IFallbackDialog& m_fallback;
    DESKTOP_ENVIRONMENT m_environment;
};
