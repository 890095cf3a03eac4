#include "BasePresetBrowser.h"

#include "BaseMenuButton.h"
#include "Platform/Platform.h"
#include "utilities/AlertDialog.h"
#include "utilities/FileUtils.h"
#include "vstgui/DrawContext.h"
#include "vstgui/Font.h"
#include "vstgui/OptionMenu.h"

#include <cstdio>

using namespace VSTGUI;

namespace
{
#ifdef __APPLE__
constexpr const char* kRevealTitle = "Reveal in Finder...";
#else
constexpr const char* kRevealTitle = "Show in File Manager...";
#endif
constexpr const char* kNoPresetsTitle = "[No presets found...]";
constexpr const char* kDefaultPresetTitle = "Default Preset";
// The save dialog's result buffer, as for every file dialog of the plug-in.
constexpr int kDialogPathSize = 2048;
} // namespace

CBasePresetBrowser::CBasePresetBrowser(const CRect& size, CFrame* frame, const char* libraryFolder,
                                       const char* userCategory, const char* extension)
    : CViewContainer(size, frame),
      m_libraryFolder(libraryFolder ? libraryFolder : ""),
      m_userCategory(userCategory ? userCategory : ""),
      m_extension(extension ? extension : ""),
      m_font(new CFontDesc("Arial", 12, kBoldFace))
{
    setTransparency(true);
    const CRect buttonSize(0, 0, size.getWidth(), size.getHeight());
    m_menuButton = new CBaseMenuButton(buttonSize, this, kMenuTag, nullptr);
    addView(m_menuButton);
    Platform::CreateFolders(GetFullPresetsPath() + m_userCategory);
    SetCurrentPresetPath("");
}

CBasePresetBrowser::~CBasePresetBrowser()
{
    m_font->forget();
}

void CBasePresetBrowser::SavePreset(std::string path)
{
    m_currentPresetPath = path;
}

void CBasePresetBrowser::LoadPreset(std::string path)
{
    m_currentPresetPath = path;
}

void CBasePresetBrowser::ResetPreset()
{
    m_currentPresetPath.clear();
}

std::string CBasePresetBrowser::GetFullPresetsPath() const
{
    return FileUtils::GetMacUserLibraryDirectory() + "/" + m_libraryFolder + "/";
}

void CBasePresetBrowser::SetCurrentPresetPath(const char* path)
{
    m_currentPresetPath = path ? path : "";
    RebuildPresetMenu();
    m_currentIndex = -1;
    const std::vector<CPresetInfo>& presets = m_presetManager.GetPresetInfoVector();
    for (size_t i = 0; i < presets.size(); ++i)
    {
        if (!m_currentPresetPath.empty() && presets[i].path == m_currentPresetPath)
        {
            m_currentIndex = static_cast<int>(i);
            break;
        }
    }
    ShowCurrentName();
}

void CBasePresetBrowser::UpdateText(const char* text)
{
    m_shownText = text && *text ? text : kDefaultPresetTitle;
    invalid();
}

void CBasePresetBrowser::RebuildPresetMenu()
{
    m_presetManager.RebuildPresetVector(GetFullPresetsPath().c_str(), m_extension.c_str());
    const std::vector<CPresetInfo>& presets = m_presetManager.GetPresetInfoVector();
    const std::vector<CPresetCategory>& categories = m_presetManager.GetPresetCategoryVector();

    COptionMenu* menu = m_menuButton;
    menu->removeAllEntry();
    CMenuItem* defaultEntry = menu->addEntry(kDefaultPresetTitle);
    defaultEntry->setChecked(m_currentPresetPath.empty());
    menu->addSeparator();
    menu->addEntry("Save New Preset As...");
    menu->addEntry("Save Current Preset");
    menu->addEntry(kRevealTitle);
    menu->addEntry("Refresh");
    menu->addSeparator();
    if (presets.empty() && categories.empty())
        menu->addEntry(kNoPresetsTitle, -1, CMenuItem::kDisabled);

    // One submenu per category, in the scan's order; the entry index of category c
    // is kNumFixedEntries + c unless the "no presets" line is there (then no categories).
    for (size_t c = 0; c < categories.size(); ++c)
    {
        auto* submenu = new COptionMenu();
        submenu->setListener(this);
        submenu->setTag(kFirstCategoryTag + static_cast<long>(c));
        menu->addEntry(submenu, categories[c].name.c_str());
        submenu->forget(); // the entry holds it
    }
    for (const CPresetInfo& preset : presets)
    {
        const int categoryIndex =
            preset.category ? static_cast<int>(preset.category - categories.data()) : -1;
        if (categoryIndex < 0 || categoryIndex >= static_cast<int>(categories.size()))
            continue;
        const int entryIndex = kNumFixedEntries + categoryIndex;
        CMenuItem* categoryEntry = menu->getEntry(entryIndex);
        COptionMenu* submenu = menu->getSubMenu(entryIndex);
        if (!categoryEntry || !submenu)
            continue;
        CMenuItem* entry = submenu->addEntry(preset.name.c_str());
        if (!m_currentPresetPath.empty() && preset.path == m_currentPresetPath)
        {
            entry->setChecked(true);
            categoryEntry->setChecked(true);
        }
    }
}

void CBasePresetBrowser::valueChanged(CControl* control)
{
    if (!control || !control->isTypeOf("COptionMenu"))
        return;
    auto* menu = static_cast<COptionMenu*>(control);
    const long tag = menu->getTag();
    if (tag == kMenuTag)
        OnMainMenuChoice(menu->getCurrentIndex(true));
    else if (tag >= kFirstCategoryTag)
        OnCategoryChoice(menu, static_cast<int>(tag - kFirstCategoryTag));
    else
        return;
    ShowCurrentName();
}

void CBasePresetBrowser::OnMainMenuChoice(int entry)
{
    switch (entry)
    {
    case kEntryDefault:
        ResetPreset();
        break;
    case kEntrySaveAs:
        DoSavePresetAs();
        break;
    case kEntrySaveCurrent:
        if (m_currentPresetPath.empty())
            DoSavePresetAs();
        else
            SavePreset(m_currentPresetPath);
        break;
    case kEntryReveal:
        RevealCurrentPreset();
        break;
    default: // "Refresh", "[No presets found...]": only the rebuild below
        break;
    }
    // A copy: the path is replaced by itself.
    const std::string path = m_currentPresetPath;
    SetCurrentPresetPath(path.c_str());
}

void CBasePresetBrowser::OnCategoryChoice(COptionMenu* submenu, int category)
{
    const std::vector<CPresetCategory>& categories = m_presetManager.GetPresetCategoryVector();
    CMenuItem* chosen = submenu->getCurrent();
    if (category < 0 || category >= static_cast<int>(categories.size()) || !chosen)
        return;
    // Copies: loading may rescan the library and so replace both lists.
    const std::string title = chosen->getTitle();
    const std::string categoryName = categories[static_cast<size_t>(category)].name;
    const std::vector<CPresetInfo>& presets = m_presetManager.GetPresetInfoVector();
    for (size_t i = 0; i < presets.size(); ++i)
    {
        if (presets[i].name == title && presets[i].category &&
            presets[i].category->name == categoryName)
        {
            m_currentIndex = static_cast<int>(i);
            const std::string path = presets[i].path;
            LoadPreset(path);
            break;
        }
    }
    const std::string path = m_currentPresetPath;
    SetCurrentPresetPath(path.c_str());
}

void CBasePresetBrowser::RevealCurrentPreset()
{
    const std::string& path =
        m_currentPresetPath.empty() ? GetFullPresetsPath() : m_currentPresetPath;
    Platform::RevealInFileManager(path);
}

void CBasePresetBrowser::DoSavePresetAs()
{
    char filter[256];
    std::snprintf(filter, sizeof(filter), "Preset files (*%s)%c*%s%c", m_extension.c_str(), 0,
                  m_extension.c_str(), 0);
    char result[kDialogPathSize] = {};
    const std::string folder = GetFullPresetsPath() + m_userCategory;
    const std::string proposedName = FileUtils::ExtractFileName(m_currentPresetPath);
    if (FileUtils::ShowSaveFileDialog(result, folder.c_str(), kDialogPathSize, filter,
                                      m_extension.c_str(), proposedName.c_str()))
        SavePreset(result);
}

void CBasePresetBrowser::SelectNextPreset()
{
    const int count = static_cast<int>(m_presetManager.GetPresetInfoVector().size());
    m_currentIndex = m_currentIndex + 1 < count ? m_currentIndex + 1 : 0;
    if (m_currentIndex < count)
    {
        const std::string path =
            m_presetManager.GetPresetInfoVector()[static_cast<size_t>(m_currentIndex)].path;
        LoadPreset(path);
    }
    const std::string path = m_currentPresetPath;
    SetCurrentPresetPath(path.c_str());
}

void CBasePresetBrowser::SelectPrevPreset()
{
    const int count = static_cast<int>(m_presetManager.GetPresetInfoVector().size());
    const int p = m_currentIndex < 1 ? count : m_currentIndex;
    m_currentIndex = p - 1;
    if (p >= 1 && p <= count)
    {
        const std::string path =
            m_presetManager.GetPresetInfoVector()[static_cast<size_t>(m_currentIndex)].path;
        LoadPreset(path);
    }
    const std::string path = m_currentPresetPath;
    SetCurrentPresetPath(path.c_str());
}

void CBasePresetBrowser::drawBackgroundRect(CDrawContext* context, const CRect& /*rect*/)
{
    CRect area(0, 0, getWidth(), getHeight());
    area.left += 10;
    area.top += 2;
    context->setFont(m_font);
    context->setFontColor(m_textColor);
    context->drawString(m_shownText.c_str(), area, kCenterText);
}

void CBasePresetBrowser::ShowSaveFailedAlert()
{
    AlertDialog("File cannot be saved",
                "The file has not been saved, please check if you have sufficient permissions "
                "to create files in the specified location",
                false);
}

void CBasePresetBrowser::ShowCurrentName()
{
    UpdateText(FileUtils::ExtractFileName(m_currentPresetPath).c_str());
}
