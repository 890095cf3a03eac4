#include "Platform/Linux/DesktopDialogs.h"

#include "Platform/Linux/PathText.h"
#include "Platform/Platform.h"

#include <cstdlib>
#include <unistd.h>

using PathText::Exists;
using PathText::IsFolder;
using PathText::Join;
using PathText::NameOf;
using PathText::WithoutTrailingSlashes;

namespace
{
// zenity and kdialog both answer 1 for "Cancel" and for a closed window.
constexpr int kCancelledStatus = 1;

// The folder as a start location: with a trailing "/", so that the panels open
// inside it rather than select it.
std::string AsStartFolder(const std::string& folder)
{
    return folder.empty() ? std::string() : Join(folder, std::string());
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// `name` with ".extension" appended unless it already ends in it exactly: the
// preset scan matches extensions byte for byte, so "Lead.PRG" or "Lead v1.2"
// would not be found again without it.
std::string WithExtension(const std::string& name, const std::string& extension)
{
    if (extension.empty() || name.empty() || name.back() == '/' || EndsWith(name, "." + extension))
        return name;
    return name + "." + extension;
}

// The start location of a save panel: the folder and the proposed name.
std::string SaveStart(const FILE_REQUEST& request)
{
    if (request.proposedName.empty())
        return AsStartFolder(request.folder);
    return Join(request.folder, WithExtension(request.proposedName, request.extension));
}

// A dialog tool's answer: the path is its output without the final newline.
// Empty output, or a NUL byte that no path holds, is no answer.
bool ParsePath(const std::string& output, std::string& path)
{
    std::string text = output;
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (text.empty() || text.find('\0') != std::string::npos)
        return false;
    path = text;
    return true;
}

std::string MakeAbsolute(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char buffer[4096];
    if (!getcwd(buffer, sizeof(buffer)))
        return "/" + path;
    return Join(buffer, path);
}

// What the user typed into the fallback field as an absolute path: "~" is the
// home folder, a relative path is taken from the panel's folder.
std::string ResolveTyped(const std::string& typed, const std::string& folder)
{
    if (typed == "~" || typed.compare(0, 2, "~/") == 0)
        return Platform::GetUserHomeFolder() + typed.substr(1);
    if (!typed.empty() && typed[0] == '/')
        return typed;
    return MakeAbsolute(Join(folder, typed));
}

std::string NearestExistingFolder(std::string path)
{
    while (path.size() > 1 && !IsFolder(path))
    {
        const size_t slash = path.rfind('/');
        path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
    }
    return path.empty() ? "/" : path;
}

const char kReplaceTitle[] = "Replace File";

std::string ReplaceQuestion(const std::string& path)
{
    return "A file named \xE2\x80\x9C" + NameOf(path) +
           "\xE2\x80\x9D already exists. Do you want to replace it?";
}

const char kZenity[] = "zenity";
const char kKdialog[] = "kdialog";
} // namespace

CDesktopDialogs::CDesktopDialogs(IToolRunner& runner, IFallbackDialog& fallback,
                                 const DESKTOP_ENVIRONMENT& environment)
    : m_runner(runner), m_fallback(fallback), m_environment(environment)
{
}

DESKTOP_ENVIRONMENT CDesktopDialogs::ReadEnvironment()
{
    DESKTOP_ENVIRONMENT environment;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    environment.hasDisplay = (display && display[0]) || (wayland && wayland[0]);
    // A colon-separated list such as "KDE" or "ubuntu:GNOME".
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    environment.prefersKde = desktop && std::string(desktop).find("KDE") != std::string::npos;
    return environment;
}

std::vector<std::string> CDesktopDialogs::DialogTools()
{
    std::vector<std::string> tools;
    if (!m_environment.hasDisplay)
        return tools; // neither tool can show anything; the fallback answers
    const char* order[2] = {kZenity, kKdialog};
    if (m_environment.prefersKde)
        std::swap(order[0], order[1]);
    for (const char* tool : order)
        if (m_runner.IsAvailable(tool))
            tools.push_back(tool);
    return tools;
}

bool CDesktopDialogs::ShowAlert(const std::string& title, const std::string& message,
                                bool withCancel)
{
    for (const std::string& tool : DialogTools())
    {
        const TOOL_RESULT result =
            m_runner.Run(tool == kZenity ? ZenityAlertArguments(title, message, withCancel)
                                         : KdialogAlertArguments(title, message, withCancel));
        if (!result.started)
            continue;
        if (result.exitStatus == 0)
            return true;
        // Unknown (the host collected the tool): "Cancel" is the answer that
        // changes nothing.
        if (result.exitStatus == kCancelledStatus || result.exitStatus < 0)
            return !withCancel;
    }
    return m_fallback.ShowMessage(title, message, withCancel);
}

bool CDesktopDialogs::ChooseFileToOpen(const FILE_REQUEST& request, std::string& path)
{
    for (const std::string& tool : DialogTools())
    {
        const ANSWER answer = RunFileTool(tool, request, false, path);
        if (answer != ANSWER::Failed)
            return answer == ANSWER::Confirmed;
    }
    return AskFallbackForPath(request, false, path);
}

bool CDesktopDialogs::ChooseFileToSave(const FILE_REQUEST& request, std::string& path)
{
    for (const std::string& tool : DialogTools())
    {
        std::string chosen;
        const ANSWER answer = RunFileTool(tool, request, true, chosen);
        if (answer == ANSWER::Failed)
            continue;
        if (answer == ANSWER::Cancelled)
            return false;
        // The tool asked about replacing the name it returned, not about the one
        // with the extension appended.
        const std::string complete = WithExtension(chosen, request.extension);
        if (complete != chosen && Exists(complete) && !ConfirmReplacing(complete))
            return false;
        path = complete;
        return true;
    }
    return AskFallbackForPath(request, true, path);
}

CDesktopDialogs::ANSWER CDesktopDialogs::RunFileTool(const std::string& tool,
                                                     const FILE_REQUEST& request, bool forSaving,
                                                     std::string& path)
{
    const TOOL_RESULT result =
        m_runner.Run(tool == kZenity ? ZenityFileArguments(request, forSaving)
                                     : KdialogFileArguments(request, forSaving));
    if (!result.started)
        return ANSWER::Failed;
    // Any other status is a tool that broke down (no usable display, a missing
    // library): the next tool gets its turn. An unknown status with an answer
    // is taken as confirmed, without one as cancelled, so that the user never
    // sees a second panel after closing the first.
    const bool unknown = result.exitStatus < 0;
    if (result.exitStatus == kCancelledStatus || (unknown && result.output.empty()))
        return ANSWER::Cancelled;
    if (result.exitStatus != 0 && !unknown)
        return ANSWER::Failed;
    return ParsePath(result.output, path) ? ANSWER::Confirmed : ANSWER::Cancelled;
}

bool CDesktopDialogs::AskFallbackForPath(const FILE_REQUEST& request, bool forSaving,
                                         std::string& path)
{
    std::string text = forSaving ? SaveStart(request) : AsStartFolder(request.folder);
    for (;;)
    {
        std::string typed;
        if (!m_fallback.AskForPath(request.title, text, typed))
            return false;
        text = typed;
        std::string chosen = ResolveTyped(typed, request.folder);
        if (chosen.empty() || chosen.back() == '/' || IsFolder(chosen))
        {
            // A folder: ask again from inside it.
            text = AsStartFolder(chosen.empty() ? request.folder : chosen);
            continue;
        }
        if (forSaving)
        {
            chosen = WithExtension(chosen, request.extension);
            if (Exists(chosen) &&
                !m_fallback.ShowMessage(kReplaceTitle, ReplaceQuestion(chosen), true))
                continue;
            path = chosen;
            return true;
        }
        if (Exists(chosen))
        {
            path = chosen;
            return true;
        }
        m_fallback.ShowMessage(request.title,
                               "The file \xE2\x80\x9C" + chosen + "\xE2\x80\x9D cannot be found.",
                               false);
    }
}

bool CDesktopDialogs::ConfirmReplacing(const std::string& path)
{
    return ShowAlert(kReplaceTitle, ReplaceQuestion(path), true);
}

bool CDesktopDialogs::RevealInFileManager(const std::string& path)
{
    if (!m_environment.hasDisplay || path.empty())
        return false;
    const std::string absolute = WithoutTrailingSlashes(MakeAbsolute(path));
    std::vector<std::vector<std::string>> commands;
    if (Exists(absolute) && !IsFolder(absolute))
    {
        const std::string uri = FileUri(absolute);
        if (m_runner.IsAvailable("gdbus"))
            commands.push_back({"gdbus", "call", "--session", "--dest",
                                "org.freedesktop.FileManager1", "--object-path",
                                "/org/freedesktop/FileManager1", "--method",
                                "org.freedesktop.FileManager1.ShowItems", "['" + uri + "']", ""});
        else if (m_runner.IsAvailable("dbus-send"))
            commands.push_back(
                {"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.FileManager1",
                 "--type=method_call", "/org/freedesktop/FileManager1",
                 "org.freedesktop.FileManager1.ShowItems", "array:string:" + uri, "string:"});
    }
    // The file manager's own window on the folder, when D-Bus could not show the
    // file (or for a folder or a path that is gone).
    commands.push_back({"xdg-open", NearestExistingFolder(absolute)});
    return m_runner.StartDetached(commands);
}

std::string CDesktopDialogs::FileUri(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path)
    {
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~' || byte == '/';
        if (plain)
        {
            uri += c;
            continue;
        }
        uri += '%';
        uri += kHex[byte >> 4];
        uri += kHex[byte & 0x0F];
    }
    return uri;
}

std::string CDesktopDialogs::FilterName(const std::string& filterText, const std::string& extension)
{
    std::string name = filterText.substr(0, filterText.find('|'));
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    const size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    if (name.empty())
        return extension.empty() ? "All files" : "*." + extension + " files";
    return name;
}

std::vector<std::string> CDesktopDialogs::ZenityFileArguments(const FILE_REQUEST& request,
                                                              bool forSaving)
{
    std::vector<std::string> arguments = {kZenity, "--file-selection"};
    if (forSaving)
    {
        arguments.push_back("--save");
        arguments.push_back("--confirm-overwrite");
    }
    arguments.push_back("--title=" + request.title);
    const std::string start = forSaving ? SaveStart(request) : AsStartFolder(request.folder);
    if (!start.empty())
        arguments.push_back("--filename=" + start);
    if (!request.extension.empty())
        arguments.push_back("--file-filter=" + FilterName(request.filterText, request.extension) +
                            " | *." + request.extension);
    return arguments;
}

std::vector<std::string> CDesktopDialogs::KdialogFileArguments(const FILE_REQUEST& request,
                                                               bool forSaving)
{
    std::string start = forSaving ? SaveStart(request) : AsStartFolder(request.folder);
    // kdialog takes the start location as a plain argument: it must not look
    // like an option.
    if (start.empty() || start[0] == '-')
        start = "./" + start;
    std::vector<std::string> arguments = {kKdialog, "--title=" + request.title,
                                          forSaving ? "--getsavefilename" : "--getopenfilename",
                                          start};
    if (!request.extension.empty())
        arguments.push_back("*." + request.extension + "|" +
                            FilterName(request.filterText, request.extension));
    return arguments;
}

std::vector<std::string> CDesktopDialogs::ZenityAlertArguments(const std::string& title,
                                                               const std::string& message,
                                                               bool withCancel)
{
    // Plain text: with markup on, zenity would read "<", "&" and backslash escapes.
    std::vector<std::string> arguments = {kZenity, withCancel ? "--question" : "--warning",
                                          "--title=" + title, "--text=" + message, "--no-markup"};
    if (withCancel)
    {
        arguments.push_back("--ok-label=OK");
        arguments.push_back("--cancel-label=Cancel");
    }
    return arguments;
}

std::vector<std::string> CDesktopDialogs::KdialogAlertArguments(const std::string& title,
                                                                const std::string& message,
                                                                bool withCancel)
{
    // Options every kdialog knows: one that it did not would end it with the
    // status of "Cancel", and the message would be lost.
    if (!withCancel)
        return {kKdialog, "--title=" + title, "--error=" + message};
    return {kKdialog, "--title=" + title, "--yesno=" + message, "--yes-label=OK",
            "--no-label=Cancel"};
}
