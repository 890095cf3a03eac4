// Writes the seed corpus of the fuzz targets with the plug-in's own writers:
// host chunks and preset files of the default and of a full patch, a MIDI map
// file with learned controllers, and preferences files.
// Usage: morvex_fuzz_seeds <corpus folder>; makes chunk/, preset/, midimap/,
// prefs/ and mprg/ inside it.
#include "FuzzSupport.h"

#include "Preferences.h"
#include "Common/wrappers/utilities/MsegPresetFile.h"

#include <sys/stat.h>

#include <fstream>
#include <vector>

namespace
{
void WriteBytes(const std::string& path, const void* data, size_t size, int prefix = -1)
{
    std::ofstream file(path, std::ios::binary);
    if (prefix >= 0)
        file.put(static_cast<char>(prefix));
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void CopyFile(const std::string& from, const std::string& to, int prefix = -1)
{
    std::ifstream in(from, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WriteBytes(to, bytes.data(), bytes.size(), prefix);
}

void WriteState(const std::string& corpus, const std::string& name)
{
    CVstWrapper* wrapper = FuzzSupport::Plugin();
    CMorvex* effect = FuzzSupport::Effect();
    void* chunk = nullptr;
    const VstInt32 size = wrapper->getChunk(&chunk, false);
    WriteBytes(corpus + "/chunk/" + name + "-host", chunk, static_cast<size_t>(size), 0);
    const std::string preset = FuzzSupport::DataFolder() + "/" + name + ".prg";
    effect->SavePreset(preset.c_str());
    CopyFile(preset, corpus + "/preset/" + name + ".prg");
    CopyFile(preset, corpus + "/chunk/" + name + "-preset", 1);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string corpus = argv[1];
    for (const char* folder : {"", "/chunk", "/preset", "/midimap", "/prefs", "/mprg"})
        mkdir((corpus + folder).c_str(), 0755);

    CVstWrapper* wrapper = FuzzSupport::Plugin();
    CMorvex* effect = FuzzSupport::Effect();
    WriteState(corpus, "default");

    // A full patch with every module and modulator in use and its sync switches on.
    using namespace MorvexParam;
    for (int id = 0; id < kNumParameters; ++id)
        wrapper->setParameter(id, static_cast<float>((id * 37) % 101) / 100.0f);
    wrapper->setParameter(kPower, 1.0f);
    const int32_t order[kModulesPerLayer] = {6, 5, 4, 3, 2, 1, 0};
    effect->SetRawParameterBlock(kRawBlockLayerOrder + 1, order);
    WriteState(corpus, "full");

    for (int controller = 0; controller < 6; ++controller)
    {
        effect->ActivateMidiLearn(kVolume + 41 * controller, true);
        effect->OnMidiCC(controller * 7, 0.5f);
    }
    effect->SaveMidiMap((corpus + "/midimap/learned.ccmap").c_str());
    effect->ResetMidiMap();
    effect->SaveMidiMap((corpus + "/midimap/empty.ccmap").c_str());

    // Modulator presets of both modes, from the full patch's blocks.
    for (const int32_t mode : {MsegPresetFile::kModeSteps, MsegPresetFile::kModeEnvelope})
    {
        const int blockId =
            mode == MsegPresetFile::kModeSteps ? kRawBlockSteps : kRawBlockMsegPoints;
        const std::vector<uint8_t> bytes =
            MsegPresetFile::Build(mode, 16, effect->GetRawParameterBlock(blockId));
        const std::string name = "/mprg/mode" + std::to_string(mode) + ".mprg";
        WriteBytes(corpus + name, bytes.data(), bytes.size());
    }

    CPreferences prefs(nullptr);
    const std::string brand = FuzzSupport::DataFolder() + "/Brenwick";
    mkdir(brand.c_str(), 0755);
    mkdir((brand + "/Morvex").c_str(), 0755);
    prefs.SetCompactGuiMode(1);
    prefs.SetStepRandomizeMode(2);
    prefs.SetCurveRandomizeMode(3);
    prefs.SetCurveLength32(true);
    if (prefs.Save())
        CopyFile(prefs.GetPath(), corpus + "/prefs/prefs.bin");
    const uint8_t previous[8] = {0x83, 0x49, 0x36, 0xD3, 0, 0, 0, 0}; // the older, shorter form
    WriteBytes(corpus + "/prefs/previous.bin", previous, sizeof(previous));
    return 0;
}
