#include "Preferences.h"

#include "Common/wrappers/utilities/ByteReader.h"
#include "Common/wrappers/utilities/ByteWriter.h"
#include "Common/wrappers/utilities/FileUtils.h"

#include <vector>

namespace
{
constexpr size_t kFileSize = 18; // 4 + 3 x 4 + 2 x 1
} // namespace

CPreferences::CPreferences(CBaseEffect* effect) : m_effect(effect)
{
    const std::string dataFolder = FileUtils::GetMacUserLibraryDirectory();
    // Without a data folder there is no file: the preferences live in memory only.
    if (!dataFolder.empty())
        m_path = dataFolder + "/Brenwick/Morvex/prefs.bin";
    Load();
}

void CPreferences::Load()
{
    std::vector<uint8_t> bytes;
    if (m_path.empty() || !FileUtils::ReadFile(m_path, bytes, kFileSize))
        return;
    CByteReader reader(bytes.data(), bytes.size());
    uint32_t signature = 0;
    if (!reader.ReadUInt32(signature))
        return;
    if (signature != kSignature && signature != kPreviousSignature)
        return;
    // Each field is taken only when it is there in full, and a mode only when it is
    // one of its menu's entries (the editor and the randomizer index by them).
    int32_t value = 0;
    if (!reader.ReadInt32(value))
        return;
    if (value >= -1 && value <= 1)
        m_compactGuiMode = value;
    if (signature != kSignature)
        return;
    if (!reader.ReadInt32(value))
        return;
    if (value >= 0 && value <= 2)
        m_stepRandomizeMode = value;
    if (!reader.ReadInt32(value))
        return;
    if (value >= 0 && value <= 3)
        m_curveRandomizeMode = value;
    uint8_t flag = 0;
    if (!reader.ReadByte(flag))
        return;
    m_curveLength32 = flag != 0;
    if (!reader.ReadByte(flag))
        return;
    m_preferDense = flag != 0;
}

bool CPreferences::Save()
{
    if (m_path.empty())
        return false;
    std::vector<uint8_t> bytes;
    CByteWriter writer(bytes);
    writer.WriteUInt32(kSignature);
    writer.WriteInt32(m_compactGuiMode);
    writer.WriteInt32(m_stepRandomizeMode);
    writer.WriteInt32(m_curveRandomizeMode);
    writer.WriteByte(m_curveLength32 ? 1 : 0);
    writer.WriteByte(m_preferDense ? 1 : 0);
    return FileUtils::WriteFileReplacing(m_path, bytes.data(), bytes.size());
}
