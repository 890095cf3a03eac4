#include "SettingsMenu.h"

#include "Common/wrappers/BaseEditor.h"
#include "Gui/EditorMenuHost.h"
#include "Gui/ModClipboard.h"
#include "Morvex.h"
#include "Platform/Platform.h"
#include "Preferences.h"
#include "UndoItems.h"
#include "utilities/AlertDialog.h"
#include "utilities/FileUtils.h"
#include "vstgui/Control.h"
#include "vstgui/MenuItem.h"
#include "vstgui/OptionMenu.h"

#include <cstring>

using namespace VSTGUI;

namespace
{
// Writes the preferences, making their folder first: on a fresh system nothing else may
// have made it yet, and the choice would be lost.
void SavePreferences(CPreferences* preferences)
{
    Platform::CreateFolders(FileUtils::ExtractDirPath(preferences->GetPath()));
    preferences->Save();
}

constexpr int kModBlockIds[3] = {kRawBlockMsegPoints, kRawBlockSteps, kRawBlockModPresetPath};

bool IsCompact(const CPreferences* preferences)
{
    return preferences && preferences->GetCompactGuiMode() >= 1;
}

void LoadMidiMap(CMorvex* effect)
{
    char path[CSettingsMenu::kPathSize] = {};
    if (!FileUtils::ShowLoadFileDialog(path, sizeof(path), CSettingsMenu::kMidiMapFilter,
                                       CSettingsMenu::kMidiMapExtension))
        return;
    if (!effect->LoadMidiMap(path))
        AlertDialog("File cannot be read",
                    "The file is no MidiCC map or cannot be read. The controller map is unchanged.",
                    false);
}

void SaveMidiMap(CMorvex* effect)
{
    char path[CSettingsMenu::kPathSize] = {};
    const std::string folder = FileUtils::GetMacUserDesktopDirectory();
    if (!FileUtils::ShowSaveFileDialog(path, folder.c_str(), sizeof(path),
                                       CSettingsMenu::kMidiMapFilter,
                                       CSettingsMenu::kMidiMapExtension, "Morvex"))
        return;
    // A map that silently failed to save would be missed only when it is needed.
    if (!effect->SaveMidiMap(path))
        AlertDialog("File cannot be saved",
                    "The MidiCC map could not be written there. Please choose another folder.",
                    false);
}

void ResetModulator(CMorvex* effect, int modulator)
{
    for (int k = 0; k < CModClipboard::kModParameterCount; ++k)
        effect->ResetParameter(CModClipboard::ModParameterId(modulator, k));
    for (int blockId : kModBlockIds)
        effect->ResetRawParameterBlock(blockId + modulator);
}

void ResetLayer(CMorvex* effect, int layer)
{
    for (int k = 0; k < CModClipboard::kLayerParameterCount; ++k)
        effect->ResetParameter(CModClipboard::LayerParameterId(layer, k));
    effect->ResetParameter(MorvexParam::kFlangerMode + layer);
    effect->ResetParameter(MorvexParam::kDelayInput + layer);
}

bool Is(const char* title, const char* entry)
{
    return std::strcmp(title, entry) == 0;
}
} // namespace

COptionMenu* CSettingsMenu::Build(IEditorMenuHost* host)
{
    auto* menu = new COptionMenu();
    menu->addEntry(kLoadMidiMap);
    menu->addEntry(kSaveMidiMap);
    menu->addEntry(kResetMidiMap);
    menu->addSeparator();
    menu->addEntry(kMakeDefault);
    menu->addEntry(kResetDefault);
    menu->addSeparator();
    menu->addEntry(kCopyMod);
    if (CModClipboard::HasModulator())
        menu->addEntry(kPasteMod);
    menu->addEntry(kResetMod);
    menu->addSeparator();
    menu->addEntry(kCopyLayer);
    if (CModClipboard::HasLayer())
        menu->addEntry(kPasteLayer);
    menu->addEntry(kResetLayer);
    menu->addSeparator();
    CMorvex* effect = host ? host->GetMorvex() : nullptr;
    const bool compact = effect && IsCompact(effect->GetPreferences());
    menu->addEntry(kCompactMode, -1, compact ? CMenuItem::kChecked : CMenuItem::kNoFlags);
    return menu;
}

void CSettingsMenu::Run(IEditorMenuHost* host, CControl* button)
{
    if (!host || !host->GetMorvex() || !button)
        return;
    const std::string title = CBaseEditor::ChooseFromPopupMenu(button, Build(host));
    if (!title.empty())
        Perform(host, title.c_str());
}

bool CSettingsMenu::Perform(IEditorMenuHost* host, const char* title)
{
    CMorvex* effect = host ? host->GetMorvex() : nullptr;
    if (!effect || !title)
        return false;
    const int modulator = host->GetSelectedMod();
    const int layer = host->GetSelectedLayer();
    if (Is(title, kLoadMidiMap))
        LoadMidiMap(effect);
    else if (Is(title, kSaveMidiMap))
        SaveMidiMap(effect);
    else if (Is(title, kResetMidiMap))
        effect->ResetMidiMap();
    else if (Is(title, kMakeDefault))
        effect->MakeDefaultPreset();
    else if (Is(title, kResetDefault))
        effect->ResetDefaultPreset();
    else if (Is(title, kCopyMod))
        CModClipboard::CopyModulator(effect, modulator);
    else if (Is(title, kPasteMod))
    {
        if (!CModClipboard::HasModulator())
            return false;
        effect->AddUndoItem(new CPasteModUndoItem(effect, modulator));
        CModClipboard::PasteModulator(effect, modulator);
        host->UpdateAllControls();
    }
    else if (Is(title, kResetMod))
    {
        effect->AddUndoItem(new CPasteModUndoItem(effect, modulator));
        ResetModulator(effect, modulator);
        host->UpdateAllControls();
    }
    else if (Is(title, kCopyLayer))
    {
        // The copy leaves an undo step (one that restores the same values).
        effect->AddUndoItem(new CPasteLayerUndoItem(effect, layer));
        CModClipboard::CopyLayer(effect, layer);
    }
    else if (Is(title, kPasteLayer))
    {
        if (!CModClipboard::HasLayer())
            return false;
        effect->AddUndoItem(new CPasteLayerUndoItem(effect, layer));
        CModClipboard::PasteLayer(effect, layer);
        host->UpdateAllControls();
    }
    else if (Is(title, kResetLayer))
    {
        // Like every other edit, a reset can be undone.
        effect->AddUndoItem(new CPasteLayerUndoItem(effect, layer));
        ResetLayer(effect, layer);
        host->UpdateAllControls();
    }
    else if (Is(title, kCompactMode))
    {
        CPreferences* preferences = effect->GetPreferences();
        const int mode = IsCompact(preferences) ? 0 : 1;
        if (preferences)
        {
            preferences->SetCompactGuiMode(mode);
            SavePreferences(preferences);
        }
        host->SetEditorViewMode(mode);
    }
    else
        return false;
    return true;
}
