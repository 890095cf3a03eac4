#include "Platform/Linux/DesktopDialogs.h"

#include "Platform/Linux/ScriptedDialogs.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
FILE_REQUEST MidiMapRequest(const std::string& folder)
{
    return FILE_REQUEST{"Open File", folder, "", "MidiCC map files (*.ccmap)", "ccmap"};
}

FILE_REQUEST PresetSaveRequest(const std::string& folder, const std::string& proposedName)
{
    return FILE_REQUEST{"Save File", folder, proposedName, "Preset files (*.prg)", "prg"};
}

class DesktopDialogsTest : public ::testing::Test
{
protected:
    DesktopDialogsTest() { m_environment.hasDisplay = true; }

    CDesktopDialogs Dialogs() { return CDesktopDialogs(m_runner, m_fallback, m_environment); }

    // A file that exists in the test's folder.
    std::string MakeFile(const std::string& name)
    {
        const std::string path = m_folder.GetPath() + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }

    CTempDataFolder m_folder;
    CScriptedToolRunner m_runner;
    CScriptedFallback m_fallback;
    DESKTOP_ENVIRONMENT m_environment;
};
} // namespace

TEST_F(DesktopDialogsTest, ToolArgumentsCarryTitleFolderNameFilterAndPlainText)
{
    const FILE_REQUEST open = MidiMapRequest("/home/u/maps/");
    const FILE_REQUEST save = PresetSaveRequest("/p/User", "Lead Pad");
    EXPECT_EQ(
        CDesktopDialogs::ZenityFileArguments(open, false),
        ARGUMENTS({"zenity", "--file-selection", "--title=Open File", "--filename=/home/u/maps/",
                   "--file-filter=MidiCC map files (*.ccmap) | *.ccmap"}));
    EXPECT_EQ(CDesktopDialogs::KdialogFileArguments(open, false),
              ARGUMENTS({"kdialog", "--title=Open File", "--getopenfilename", "/home/u/maps/",
                         "*.ccmap|MidiCC map files (*.ccmap)"}));
    EXPECT_EQ(CDesktopDialogs::ZenityFileArguments(save, true),
              ARGUMENTS({"zenity", "--file-selection", "--save", "--confirm-overwrite",
                         "--title=Save File", "--filename=/p/User/Lead Pad.prg",
                         "--file-filter=Preset files (*.prg) | *.prg"}));
    EXPECT_EQ(CDesktopDialogs::KdialogFileArguments(save, true),
              ARGUMENTS({"kdialog", "--title=Save File", "--getsavefilename",
                         "/p/User/Lead Pad.prg", "*.prg|Preset files (*.prg)"}));
    // A proposed name that has the extension keeps it once; no name: the folder.
    EXPECT_EQ(CDesktopDialogs::ZenityFileArguments(PresetSaveRequest("/p", "A.prg"), true)[5],
              "--filename=/p/A.prg");
    EXPECT_EQ(CDesktopDialogs::KdialogFileArguments(PresetSaveRequest("/", ""), true)[3], "/");
    // Any file: no filter at all.
    FILE_REQUEST any = MidiMapRequest("/m");
    any.extension.clear();
    EXPECT_EQ(CDesktopDialogs::ZenityFileArguments(any, false).size(), 4u);
    EXPECT_EQ(CDesktopDialogs::KdialogFileArguments(any, false).size(), 4u);
    // Alerts show the message as plain text.
    const std::string message = "C:\\new <b>& more";
    EXPECT_EQ(
        CDesktopDialogs::ZenityAlertArguments("T", message, false),
        ARGUMENTS({"zenity", "--warning", "--title=T", "--text=C:\\new <b>& more", "--no-markup"}));
    EXPECT_EQ(CDesktopDialogs::ZenityAlertArguments("T", message, true),
              ARGUMENTS({"zenity", "--question", "--title=T", "--text=C:\\new <b>& more",
                         "--no-markup", "--ok-label=OK", "--cancel-label=Cancel"}));
    EXPECT_EQ(CDesktopDialogs::KdialogAlertArguments("T", "-m", false),
              ARGUMENTS({"kdialog", "--title=T", "--error=-m"}));
    EXPECT_EQ(
        CDesktopDialogs::KdialogAlertArguments("T", "-m", true),
        ARGUMENTS({"kdialog", "--title=T", "--yesno=-m", "--yes-label=OK", "--no-label=Cancel"}));
}

TEST_F(DesktopDialogsTest, FilterNamesThatTheToolsCannotMisread)
{
    const char* const cases[][3] = {
        // text, extension, expected
        {"Preset files (*.prg)", "prg", "Preset files (*.prg)"},
        {"Maps | *.ccmap", "ccmap", "Maps"}, // "|" separates name and patterns
        {"two\nlines", "prg", "two lines"},  // kdialog separates filters by lines
        {"  padded  ", "prg", "padded"},
        {"", "prg", "*.prg files"},
        {"", "", "All files"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CDesktopDialogs::FilterName(c[0], c[1]), c[2]) << c[0];
}

TEST_F(DesktopDialogsTest, ZenityFirstExceptOnKdeAndABrokenToolHandsOver)
{
    m_runner.available = {"zenity", "kdialog"};
    std::string path;
    Dialogs().ChooseFileToOpen(MidiMapRequest("/m"), path);
    m_environment.prefersKde = true;
    Dialogs().ChooseFileToOpen(MidiMapRequest("/m"), path);
    m_runner.available = {"zenity"};
    Dialogs().ChooseFileToOpen(MidiMapRequest("/m"), path);
    ASSERT_EQ(m_runner.runs.size(), 3u); // each cancelled: no second tool, no fallback
    EXPECT_EQ(m_runner.runs[0][0], "zenity");
    EXPECT_EQ(m_runner.runs[1][0], "kdialog");
    EXPECT_EQ(m_runner.runs[2][0], "zenity");
    EXPECT_TRUE(m_fallback.initialTexts.empty());

    // A broken tool hands over to the next, and that to the fallback.
    m_runner.runs.clear();
    m_environment.prefersKde = false;
    m_runner.available = {"zenity", "kdialog"};
    m_runner.Answer(255); // zenity: cannot open its display
    m_runner.AnswerNotStarted();
    EXPECT_FALSE(Dialogs().ChooseFileToOpen(MidiMapRequest("/maps"), path));
    EXPECT_EQ(m_runner.runs.size(), 2u);
    EXPECT_EQ(m_fallback.initialTexts, std::vector<std::string>({"/maps/"}));
}

TEST_F(DesktopDialogsTest, ToolAnswersBecomePathsOrCancel)
{
    struct CASE
    {
        int exitStatus;
        std::string output;
        bool confirmed;
        std::string path;
    };
    const CASE cases[] = {
        {0, "/m/a b.ccmap\n", true, "/m/a b.ccmap"},
        {0, "/m/line\nbreak.ccmap\n", true, "/m/line\nbreak.ccmap"}, // only the last newline goes
        {0, "/m/no-newline", true, "/m/no-newline"},
        {1, "", false, ""},
        {0, "\n", false, ""},
        {0, std::string("/m/a\0b", 6), false, ""},
        // The host collected the tool: an answer counts, no answer is a cancel.
        {-1, "/m/x.ccmap\n", true, "/m/x.ccmap"},
        {-1, "", false, ""},
    };
    m_runner.available = {"zenity"};
    for (const CASE& c : cases)
    {
        m_runner.Answer(c.exitStatus, c.output);
        std::string path;
        EXPECT_EQ(Dialogs().ChooseFileToOpen(MidiMapRequest("/m"), path), c.confirmed) << c.output;
        EXPECT_EQ(path, c.path);
    }
    EXPECT_TRUE(m_fallback.initialTexts.empty());
}

TEST_F(DesktopDialogsTest, SavedNamesEndInTheExtension)
{
    m_runner.available = {"zenity"};
    const std::string folder = m_folder.GetPath();
    const char* const cases[][2] = {
        // typed, saved
        {"Bass", "Bass.prg"},
        {"Bass.prg", "Bass.prg"},
        {"Lead v1.2", "Lead v1.2.prg"}, // a dot is not an extension of ours
        {"Pad.PRG", "Pad.PRG.prg"},     // the preset list matches the extension exactly
    };
    for (const auto& c : cases)
    {
        m_runner.Answer(0, folder + "/" + c[0] + "\n");
        std::string path;
        EXPECT_TRUE(Dialogs().ChooseFileToSave(PresetSaveRequest(folder, "x"), path));
        EXPECT_EQ(path, folder + "/" + c[1]);
    }
}

TEST_F(DesktopDialogsTest, AnExistingFileBehindTheAppendedExtensionIsReplacedOnlyAfterAsking)
{
    m_runner.available = {"zenity"};
    const std::string existing = MakeFile("Bass.prg");
    const std::string typed = m_folder.GetPath() + "/Bass\n";
    std::string path;
    m_runner.Answer(0, typed);
    m_runner.Answer(1); // "Cancel"
    EXPECT_FALSE(Dialogs().ChooseFileToSave(PresetSaveRequest(m_folder.GetPath(), ""), path));
    ASSERT_EQ(m_runner.runs.size(), 2u);
    EXPECT_EQ(m_runner.runs[1][1], "--question");
    EXPECT_NE(m_runner.runs[1][3].find("Bass.prg"), std::string::npos);
    m_runner.Answer(0, typed);
    m_runner.Answer(0); // "OK"
    EXPECT_TRUE(Dialogs().ChooseFileToSave(PresetSaveRequest(m_folder.GetPath(), ""), path));
    EXPECT_EQ(path, existing);
    // The tool asked itself about a name it returned whole.
    m_runner.runs.clear();
    m_runner.Answer(0, existing + "\n");
    EXPECT_TRUE(Dialogs().ChooseFileToSave(PresetSaveRequest(m_folder.GetPath(), ""), path));
    EXPECT_EQ(m_runner.runs.size(), 1u);
}

TEST_F(DesktopDialogsTest, AlertIsFalseOnlyForCancel)
{
    const int cases[][3] = {
        // with "Cancel", exit status, answer
        {1, 0, 1}, {1, 1, 0}, {0, 0, 1},
        {0, 1, 1},  // a closed alert without "Cancel" was read
        {1, -1, 0}, // unknown: the answer that changes nothing
    };
    m_runner.available = {"zenity"};
    for (const auto& c : cases)
    {
        m_runner.Answer(c[1]);
        EXPECT_EQ(Dialogs().ShowAlert("T", "M", c[0] != 0), c[2] != 0) << c[0] << " " << c[1];
    }
    EXPECT_TRUE(m_fallback.messages.empty());
    // No tool at all: the fallback shows it and gives the answer.
    m_runner.available.clear();
    m_fallback.messageAnswers = {false};
    EXPECT_FALSE(Dialogs().ShowAlert("T", "M", true));
    EXPECT_EQ(m_fallback.messages, std::vector<std::string>({"T|M"}));
}

TEST_F(DesktopDialogsTest, FallbackFieldTakesRelativeNamesAndFolders)
{
    const std::string folder = m_folder.GetPath();
    std::filesystem::create_directories(folder + "/Sub");
    // A folder asks again from inside it; a bare name lands in the folder shown.
    m_fallback.typed = {folder + "/Sub", "Sub/Bass"};
    std::string path;
    EXPECT_TRUE(Dialogs().ChooseFileToSave(PresetSaveRequest(folder, "Lead"), path));
    EXPECT_EQ(path, folder + "/Sub/Bass.prg");
    EXPECT_EQ(m_fallback.initialTexts,
              std::vector<std::string>({folder + "/Lead.prg", folder + "/Sub/"}));
}

TEST_F(DesktopDialogsTest, FallbackAsksBeforeReplacingAndFindsFilesToOpen)
{
    const std::string existing = MakeFile("Bass.prg");
    m_fallback.typed = {existing, existing};
    m_fallback.messageAnswers = {false, true}; // "Cancel", then "OK"
    std::string path;
    EXPECT_TRUE(Dialogs().ChooseFileToSave(PresetSaveRequest(m_folder.GetPath(), ""), path));
    EXPECT_EQ(path, existing);
    ASSERT_EQ(m_fallback.messages.size(), 2u);
    EXPECT_EQ(m_fallback.messages[0].compare(0, 13, "Replace File|"), 0);

    // Opening: a missing file is reported and the field comes back as typed.
    m_fallback.messages.clear();
    m_fallback.initialTexts.clear();
    const std::string missing = m_folder.GetPath() + "/missing.ccmap";
    m_fallback.typed = {missing, existing};
    EXPECT_TRUE(Dialogs().ChooseFileToOpen(MidiMapRequest(m_folder.GetPath()), path));
    EXPECT_EQ(path, existing);
    EXPECT_EQ(m_fallback.messages.size(), 1u);
    EXPECT_EQ(m_fallback.initialTexts,
              std::vector<std::string>({m_folder.GetPath() + "/", missing}));
}

TEST_F(DesktopDialogsTest, FileUrisEscapeEverythingButPlainCharacters)
{
    const char* const cases[][2] = {
        {"/a/Lead Pad.prg", "file:///a/Lead%20Pad.prg"},
        {"/a/#1 100%.prg", "file:///a/%231%20100%25.prg"},
        {"/a/it's \"q\",b.prg", "file:///a/it%27s%20%22q%22%2Cb.prg"},
        {"/a/Gr\xC3\xBC\xC3\x9F"
         "e.prg",
         "file:///a/Gr%C3%BC%C3%9Fe.prg"},
        {"/a/~x_y-z.prg", "file:///a/~x_y-z.prg"},
        {"/a/new\nline", "file:///a/new%0Aline"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CDesktopDialogs::FileUri(c[0]), c[1]);
}

TEST_F(DesktopDialogsTest, RevealShowsFilesOverDBusAndOpensFolders)
{
    const std::string folder = m_folder.GetPath();
    const std::string file = MakeFile("Lead Pad#1.prg");
    const std::string uri = "file://" + folder + "/Lead%20Pad%231.prg";
    m_runner.available = {"gdbus", "dbus-send", "xdg-open"};
    EXPECT_TRUE(Dialogs().RevealInFileManager(file));
    EXPECT_EQ(m_runner.detached,
              std::vector<ARGUMENTS>(
                  {{"gdbus", "call", "--session", "--dest", "org.freedesktop.FileManager1",
                    "--object-path", "/org/freedesktop/FileManager1", "--method",
                    "org.freedesktop.FileManager1.ShowItems", "['" + uri + "']", ""},
                   {"xdg-open", folder}}));

    m_runner.available = {"dbus-send", "xdg-open"};
    EXPECT_TRUE(Dialogs().RevealInFileManager(file));
    EXPECT_EQ(
        m_runner.detached[0],
        ARGUMENTS({"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.FileManager1",
                   "--type=method_call", "/org/freedesktop/FileManager1",
                   "org.freedesktop.FileManager1.ShowItems", "array:string:" + uri, "string:"}));

    // A folder opens itself; a path that is gone opens its nearest folder.
    EXPECT_TRUE(Dialogs().RevealInFileManager(folder + "/"));
    EXPECT_EQ(m_runner.detached, std::vector<ARGUMENTS>({{"xdg-open", folder}}));
    EXPECT_TRUE(Dialogs().RevealInFileManager(folder + "/gone/Old.prg"));
    EXPECT_EQ(m_runner.detached, std::vector<ARGUMENTS>({{"xdg-open", folder}}));

    m_runner.available.clear();
    EXPECT_FALSE(Dialogs().RevealInFileManager(file));
}
