#include "MsegPresetBrowser.h"

#include "BaseEffect.h"
#include "Morvex.h"
#include "UndoItems.h"
#include "utilities/AlertDialog.h"
#include "utilities/FileUtils.h"
#include "utilities/MsegPresetFile.h"
#include "utilities/PresetFileWriter.h"

#include "EffectEditor.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace VSTGUI;
using namespace MorvexParam;

namespace
{
// Anything longer is no modulator preset; reading stops a little beyond the
// longest one so that an oversized file is still seen to be too long.
constexpr size_t kMaxReadSize =
    MsegPresetFile::kHeaderSize + MsegPresetFile::kEnvelopeBodySize + 1;

std::vector<uint8_t> CopyBlock(CBaseEffect* effect, int id)
{
    const uint8_t* bytes = effect->GetRawParameterBlock(id);
    const int size = effect->GetRawParameterBlockSize(id);
    if (!bytes || size <= 0)
        return {};
    return std::vector<uint8_t>(bytes, bytes + size);
}

void ShowLoadFailedAlert(const char* message)
{
    AlertDialog("File cannot be loaded", message, false);
}

// The host hears the modulator's new mode and number of steps, and the editor
// re-reads its controls (the step and envelope views show the new blocks).
void AnnounceChange(CBaseEffect* effect, int modulator)
{
    for (const int id : {kModMode + modulator, kModNumSteps + modulator})
        effect->HostSetParameterAutomated(id, effect->GetParameterScaled(id, false, false, 0));
    if (IEffectEditor* editor = effect->GetEditor())
        editor->UpdateAllControls();
}
} // namespace

CMsegPresetBrowser::CMsegPresetBrowser(const CRect& size, CFrame* frame, CBaseEffect* effect,
                                       int modulator)
    : CBasePresetBrowser(size, frame, kLibraryFolder, kUserCategory, kExtension),
      m_effect(effect),
      m_modulator(modulator)
{
}

void CMsegPresetBrowser::SavePreset(std::string path)
{
    if (!m_effect || m_modulator < 0 || m_modulator >= kNumModulators)
        return;
    const int mode = static_cast<int>(
        m_effect->GetParameterUnscaled(kModMode + m_modulator, false, false, 0));
    const int numSteps = static_cast<int>(
        m_effect->GetParameterUnscaled(kModNumSteps + m_modulator, false, false, 0));
    const int blockId = mode == MsegPresetFile::kModeSteps ? kRawBlockSteps + m_modulator
                                                           : kRawBlockMsegPoints + m_modulator;
    const std::vector<uint8_t> body = CopyBlock(m_effect, blockId);
    const bool complete = body.size() == MsegPresetFile::BodySize(mode);
    const std::vector<uint8_t> bytes =
        MsegPresetFile::Build(mode, numSteps, complete ? body.data() : nullptr);
    if (path.empty() || bytes.empty() || !PresetFileWriter::Write(path, bytes.data(), bytes.size()))
    {
        ShowSaveFailedAlert();
        return;
    }
    m_currentPresetPath = path;
    UpdatePresetPathDataBlock();
}

void CMsegPresetBrowser::LoadPreset(std::string path)
{
    if (!m_effect || m_modulator < 0 || m_modulator >= kNumModulators)
        return;
    std::vector<uint8_t> bytes;
    if (path.empty() || !FileUtils::ReadFile(path, bytes, kMaxReadSize))
    {
        ShowLoadFailedAlert("The file could not be opened.");
        return;
    }
    MsegPresetFile::MSEG_PRESET preset;
    const MsegPresetFile::MSEG_PRESET_STATUS status =
        MsegPresetFile::Parse(bytes.data(), bytes.size(), preset);
    if (status != MsegPresetFile::kOk)
    {
        ShowLoadFailedAlert(MsegPresetFile::DescribeStatus(status));
        return;
    }
    const bool envelope = preset.mode != MsegPresetFile::kModeSteps;
    const int loadedId = (envelope ? kRawBlockMsegPoints : kRawBlockSteps) + m_modulator;
    const int otherId = (envelope ? kRawBlockSteps : kRawBlockMsegPoints) + m_modulator;
    if (m_effect->GetRawParameterBlockSize(loadedId) != static_cast<int>(preset.body.size()))
        return; // an effect without this modulator's blocks: nothing to load into

    m_effect->AddUndoItem(new CMsegUndoItem(m_effect, m_modulator));
    m_currentPresetPath = path;
    m_effect->ResetRawParameterBlock(otherId);
    const std::vector<uint8_t> other = CopyBlock(m_effect, otherId);
    m_effect->SetParameterUnscaled(kModMode + m_modulator, static_cast<float>(preset.mode));
    m_effect->SetParameterUnscaled(kModNumSteps + m_modulator,
                                   static_cast<float>(preset.numSteps));
    m_effect->SetRawParameterBlock(loadedId, preset.body.data());
    if (!other.empty())
        m_effect->SetRawParameterBlock(otherId, other.data());
    UpdatePresetPathDataBlock();
    AnnounceChange(m_effect, m_modulator);
}

void CMsegPresetBrowser::ResetPreset()
{
    if (!m_effect || m_modulator < 0 || m_modulator >= kNumModulators)
        return;
    m_effect->AddUndoItem(new CMsegUndoItem(m_effect, m_modulator));
    m_currentPresetPath.clear();
    m_effect->ResetParameter(kModNumSteps + m_modulator);
    m_effect->ResetRawParameterBlock(kRawBlockSteps + m_modulator);
    m_effect->ResetRawParameterBlock(kRawBlockMsegPoints + m_modulator);
    UpdatePresetPathDataBlock();
    AnnounceChange(m_effect, m_modulator);
}

void CMsegPresetBrowser::UpdatePresetPathDataBlock()
{
    if (!m_effect)
        return;
    const int id = kRawBlockModPresetPath + m_modulator;
    if (m_effect->GetRawParameterBlockSize(id) != kRawBlockModPresetPathSize)
        return;
    char block[kRawBlockModPresetPathSize] = {};
    const size_t length = std::min(m_currentPresetPath.size(), sizeof(block) - 1);
    std::memcpy(block, m_currentPresetPath.data(), length);
    m_effect->SetRawParameterBlock(id, block);
}

void CMsegPresetBrowser::UpdateFromEffect()
{
    if (!m_effect)
        return;
    const int id = kRawBlockModPresetPath + m_modulator;
    const uint8_t* bytes = m_effect->GetRawParameterBlock(id);
    const int size = m_effect->GetRawParameterBlockSize(id);
    if (!bytes || size <= 0)
    {
        SetCurrentPresetPath("");
        return;
    }
    // The block need not be terminated: a host may hand back any bytes.
    const size_t length = strnlen(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    const std::string path(reinterpret_cast<const char*>(bytes), length);
    SetCurrentPresetPath(path.c_str());
}
