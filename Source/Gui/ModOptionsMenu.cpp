#include "ModOptionsMenu.h"

#include "Common/wrappers/BaseEditor.h"
#include "Gui/EditorMenuHost.h"
#include "Morvex.h"
#include "Platform/Platform.h"
#include "Preferences.h"
#include "utilities/FileUtils.h"
#include "vstgui/Control.h"
#include "vstgui/MenuItem.h"
#include "vstgui/OptionMenu.h"

#include <cstring>
#include <string>

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

// Randomize modes by number (the preferences' values).
const char* const kRandomizeTitles[4] = {
    CModOptionsMenu::kRandomizeAll, CModOptionsMenu::kOnlyPositions,
    CModOptionsMenu::kOnlyLevels, CModOptionsMenu::kOnlyTensions};

// "Mod%d Mode" of the selected modulator above 0.5: an envelope.
bool IsEnvelope(IEditorMenuHost* host)
{
    CMorvex* effect = host->GetMorvex();
    const int modulator = host->GetSelectedMod();
    return effect->GetParameterScaled(MorvexParam::kModMode + modulator, false, false, 0) > 0.5f;
}

int CheckedIf(bool checked)
{
    return checked ? CMenuItem::kChecked : CMenuItem::kNoFlags;
}
} // namespace

COptionMenu* CModOptionsMenu::Build(IEditorMenuHost* host)
{
    auto* menu = new COptionMenu();
    CMorvex* effect = host ? host->GetMorvex() : nullptr;
    CPreferences* preferences = effect ? effect->GetPreferences() : nullptr;
    if (!preferences)
        return menu;
    const bool envelope = IsEnvelope(host);
    const int mode = envelope ? preferences->GetCurveRandomizeMode()
                              : preferences->GetStepRandomizeMode();
    const int modeCount = envelope ? 4 : 3;
    for (int m = 0; m < modeCount; ++m)
        menu->addEntry(kRandomizeTitles[m], -1, CheckedIf(m == mode));
    menu->addSeparator();
    if (envelope)
    {
        menu->addEntry(kGenerate32, -1, CheckedIf(preferences->GetCurveLength32()));
        menu->addEntry(kGenerate16, -1, CheckedIf(!preferences->GetCurveLength32()));
    }
    menu->addEntry(kPreferDense, -1, CheckedIf(preferences->GetPreferDense()));
    return menu;
}

void CModOptionsMenu::Run(IEditorMenuHost* host, CControl* button)
{
    if (!host || !host->GetMorvex() || !button)
        return;
    const std::string title = CBaseEditor::ChooseFromPopupMenu(button, Build(host));
    if (!title.empty())
        Perform(host, title.c_str());
}

bool CModOptionsMenu::Perform(IEditorMenuHost* host, const char* title)
{
    CMorvex* effect = host ? host->GetMorvex() : nullptr;
    CPreferences* preferences = effect ? effect->GetPreferences() : nullptr;
    if (!preferences || !title)
        return false;
    const bool envelope = IsEnvelope(host);
    bool done = false;
    const int modeCount = envelope ? 4 : 3;
    for (int m = 0; m < modeCount; ++m)
    {
        if (std::strcmp(title, kRandomizeTitles[m]) == 0)
        {
            if (envelope)
                preferences->SetCurveRandomizeMode(m);
            else
                preferences->SetStepRandomizeMode(m);
            done = true;
        }
    }
    if (envelope && std::strcmp(title, kGenerate32) == 0)
    {
        preferences->SetCurveLength32(true);
        done = true;
    }
    else if (envelope && std::strcmp(title, kGenerate16) == 0)
    {
        preferences->SetCurveLength32(false);
        done = true;
    }
    else if (std::strcmp(title, kPreferDense) == 0)
    {
        // The entry toggles its check.
        preferences->SetPreferDense(!preferences->GetPreferDense());
        done = true;
    }
    if (done)
        SavePreferences(preferences);
    return done;
}
