#include "MainPresetBrowser.h"

#include "BaseEffect.h"
#include "UndoItems.h"
#include "utilities/AlertDialog.h"

using namespace VSTGUI;

CMainPresetBrowser::CMainPresetBrowser(const CRect& size, CFrame* frame, CBaseEffect* effect)
    : CBasePresetBrowser(size, frame, kLibraryFolder, kUserCategory, kExtension), m_effect(effect)
{
}

void CMainPresetBrowser::SavePreset(std::string path)
{
    if (m_effect && m_effect->SavePreset(path.c_str()))
        m_currentPresetPath = path;
}

void CMainPresetBrowser::LoadPreset(std::string path)
{
    if (!m_effect)
        return;
    // The snapshot is taken before the load and recorded only if the load happened.
    auto* undo = new CMainPresetUndoItem(m_effect);
    if (!m_effect->LoadPreset(path.c_str()))
    {
        delete undo;
        AlertDialog("File cannot be loaded",
                    "The file could not be read or is not a preset of this plug-in", false);
        return;
    }
    m_effect->AddUndoItem(undo);
    m_currentPresetPath = path;
}

void CMainPresetBrowser::ResetPreset()
{
    if (!m_effect)
        return;
    m_effect->AddUndoItem(new CMainPresetUndoItem(m_effect));
    m_currentPresetPath.clear();
    m_effect->ResetPreset();
}
