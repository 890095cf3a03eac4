// The preset browser view: shows the current preset's name and opens a menu of
// every preset of its library, grouped by category (one submenu per folder),
// with the commands to reset, save, reveal and refresh. What a preset is lives in
// the subclasses (SavePreset, LoadPreset, ResetPreset); here are the view, the
// menu and the stepping through the list. The library is a folder of the user's
// data folder (Linux: $XDG_DATA_HOME or ~/.local/share), rescanned at every menu
// rebuild, which follows every command. User-interface thread only.
#pragma once

#include "utilities/BasePresetManager.h"
#include "vstgui/ControlListener.h"
#include "vstgui/ViewContainer.h"

#include <string>

class CBaseMenuButton;
namespace VSTGUI
{
class CFontDesc;
class COptionMenu;
}

class CBasePresetBrowser : public VSTGUI::CViewContainer, public VSTGUI::CControlListener
{
public:
    static constexpr long kMenuTag = 10001;          // the menu button
    static constexpr long kFirstCategoryTag = 10002; // category c's submenu: + c
    // Fixed entries at the top of the menu, separators included.
    enum MENU_ENTRY : int
    {
        kEntryDefault = 0,
        kEntrySaveAs = 2,
        kEntrySaveCurrent = 3,
        kEntryReveal = 4,
        kEntryRefresh = 5,
        kNumFixedEntries = 7,
    };

    // `libraryFolder` is relative to the user's data folder ("Brenwick/Morvex/Plug-In
    // Presets"); `userCategory` is the folder made in it for saves ("User");
    // `extension` is the preset files' (".prg"). Creates the user category folder
    // (a failure is ignored: the save dialog still works elsewhere) and scans.
    CBasePresetBrowser(const VSTGUI::CRect& size, VSTGUI::CFrame* frame, const char* libraryFolder,
                       const char* userCategory, const char* extension);
    ~CBasePresetBrowser() override;
    CBasePresetBrowser(const CBasePresetBrowser&) = delete;
    CBasePresetBrowser& operator=(const CBasePresetBrowser&) = delete;

    // What a preset is. Here each only sets the current path (empty for a reset).
    virtual void SavePreset(std::string path);
    virtual void LoadPreset(std::string path);
    virtual void ResetPreset();

    // The library folder with a trailing "/".
    std::string GetFullPresetsPath() const;
    // Makes `path` (null or empty: none, the default preset) current: rescans and
    // rebuilds the menu, finds its place in the list and shows its name.
    void SetCurrentPresetPath(const char* path);
    // Shows `text`, or "Default Preset" when it is null or empty.
    void UpdateText(const char* text);
    // Rescans the library and rebuilds the menu from it.
    void RebuildPresetMenu();
    // The save dialog in the user category; saves to the chosen path on confirmation.
    void DoSavePresetAs();
    // The next / previous preset of the whole list (categories in order), wrapping
    // around at either end; loads it. The editor's arrow buttons call these.
    void SelectNextPreset();
    void SelectPrevPreset();

    void drawBackgroundRect(VSTGUI::CDrawContext* context, const VSTGUI::CRect& rect) override;
    void valueChanged(VSTGUI::CControl* control) override;

    const std::string& GetShownText() const { return m_shownText; }
    const std::string& GetCurrentPresetPath() const { return m_currentPresetPath; }
    // Position of the current preset in GetPresetManager()'s list, -1 when none is.
    int GetCurrentIndex() const { return m_currentIndex; }
    // The button that opens the menu; it covers the whole view and draws nothing
    // until the editor gives it a bitmap (setBackground).
    CBaseMenuButton* GetMenuButton() const { return m_menuButton; }
    const CBasePresetManager& GetPresetManager() const { return m_presetManager; }

protected:
    // The alert for a preset that could not be written, the same for every kind.
    static void ShowSaveFailedAlert();

    std::string m_shownText;
    std::string m_currentPresetPath; // empty: the default preset
    std::string m_libraryFolder;
    std::string m_userCategory;
    std::string m_extension;
    VSTGUI::CColor m_textColor{255, 255, 255, 150};
    int m_currentIndex = -1;
    CBaseMenuButton* m_menuButton = nullptr; // a child (owned by the container)
    CBasePresetManager m_presetManager;
    VSTGUI::CFontDesc* m_font = nullptr; // one reference

private:
    void OnMainMenuChoice(int entry);
    void OnCategoryChoice(VSTGUI::COptionMenu* submenu, int category);
    void RevealCurrentPreset();
    // Shows the current preset's file name and asks for a redraw.
    void ShowCurrentName();
};
