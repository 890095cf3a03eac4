#include "PresetCompiler.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/utilities/MsegPresetFile.h"
#include "Common/wrappers/utilities/PresetFileWriter.h"
#include "DisplayText.h"
#include "Morvex.h"
#include "ParameterSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using morvex::render::CParameterSearch;
using morvex::render::NormaliseText;

namespace
{
constexpr int kStepCount = kRawBlockStepsSize / 8;        // 32 x (end, level)
constexpr int kPointCount = kRawBlockMsegPointsSize / 12; // 64 x (position, level, tension)

// The names a layer's order section uses, by module code.
const char* const kModuleNames[kModulesPerLayer] = {"Filter", "Dist",    "LoFi",  "Flanger",
                                                    "Delay",  "Tremolo", "Glitch"};

struct SOURCE_LINE
{
    int number;
    std::string text; // trimmed, comment removed, never empty
};

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ReadSource(const std::string& path, std::vector<SOURCE_LINE>& lines, std::string& error)
{
    std::ifstream file(path);
    if (!file)
    {
        error = path + ": cannot be read";
        return false;
    }
    std::string text;
    for (int number = 1; std::getline(file, text); ++number)
    {
        const size_t hash = text.find('#');
        if (hash != std::string::npos)
            text.erase(hash);
        text = Trim(text);
        if (!text.empty())
            lines.push_back({number, text});
    }
    return true;
}

// Reads exactly `count` finite numbers from `text`.
bool ReadNumbers(const std::string& text, int count, float* values)
{
    std::istringstream stream(text);
    for (int i = 0; i < count; ++i)
    {
        std::string word;
        if (!(stream >> word))
            return false;
        char* end = nullptr;
        const double value = std::strtod(word.c_str(), &end);
        if (end == word.c_str() || *end != '\0' || !std::isfinite(value))
            return false;
        values[i] = static_cast<float>(value);
    }
    std::string rest;
    return !(stream >> rest);
}

// A section's body: the lines after its header up to the next header.
struct SECTION
{
    std::string name; // as written between the brackets, trimmed
    int number;       // line of the header
    std::vector<SOURCE_LINE> lines;
};

// Splits a source into the settings before the first section and the sections.
void SplitSections(const std::vector<SOURCE_LINE>& lines, std::vector<SOURCE_LINE>& settings,
                   std::vector<SECTION>& sections)
{
    for (const SOURCE_LINE& line : lines)
    {
        if (line.text.front() == '[' && line.text.back() == ']')
            sections.push_back({Trim(line.text.substr(1, line.text.size() - 2)), line.number, {}});
        else if (sections.empty())
            settings.push_back(line);
        else
            sections.back().lines.push_back(line);
    }
}

std::string Where(const std::string& path, int number)
{
    return path + ":" + std::to_string(number) + ": ";
}

// Step records from "end level" lines: ends rising, in step units up to 32, levels 0..1.
// Steps after the listed ones continue one unit each at level 0.
bool BuildSteps(const std::string& path, const SECTION& section, std::vector<uint8_t>& bytes,
                std::string& error)
{
    if (section.lines.empty() || section.lines.size() > kStepCount)
    {
        error = Where(path, section.number) + "a step section needs 1 to 32 \"end level\" lines";
        return false;
    }
    float records[kStepCount][2] = {};
    float previousEnd = 0.0f;
    int count = 0;
    for (const SOURCE_LINE& line : section.lines)
    {
        float* record = records[count++];
        if (!ReadNumbers(line.text, 2, record))
        {
            error = Where(path, line.number) + "expected \"end level\", got '" + line.text + "'";
            return false;
        }
        if (!(record[0] > previousEnd) || record[0] > static_cast<float>(kStepCount))
        {
            error = Where(path, line.number) + "step end " + line.text.substr(0, line.text.find(' ')) +
                    " must be above the previous end and at most 32";
            return false;
        }
        if (record[1] < 0.0f || record[1] > 1.0f)
        {
            error = Where(path, line.number) + "step level must be from 0 to 1";
            return false;
        }
        previousEnd = record[0];
    }
    for (int j = count; j < kStepCount; ++j)
    {
        records[j][0] = previousEnd + static_cast<float>(j - count + 1);
        records[j][1] = 0.0f;
    }
    bytes.resize(kRawBlockStepsSize);
    std::memcpy(bytes.data(), records, sizeof(records));
    return true;
}

// Envelope points from "position level tension" lines: positions in step units (0..32)
// never falling, the last one the loop length; levels 0..1, tensions -1..1; unused points
// at position -1.
bool BuildPoints(const std::string& path, const SECTION& section, std::vector<uint8_t>& bytes,
                 std::string& error)
{
    if (section.lines.size() < 2 || section.lines.size() > kPointCount)
    {
        error = Where(path, section.number) +
                "a point section needs 2 to 64 \"position level tension\" lines";
        return false;
    }
    float records[kPointCount][3] = {};
    float previous = 0.0f;
    int count = 0;
    for (const SOURCE_LINE& line : section.lines)
    {
        float* record = records[count++];
        if (!ReadNumbers(line.text, 3, record))
        {
            error = Where(path, line.number) + "expected \"position level tension\", got '" +
                    line.text + "'";
            return false;
        }
        if (record[0] < previous || record[0] > static_cast<float>(kStepCount) ||
            record[1] < 0.0f || record[1] > 1.0f ||
            record[2] < -1.0f || record[2] > 1.0f)
        {
            error = Where(path, line.number) +
                    "position 0..32 (never falling), level 0..1, tension -1..1 expected";
            return false;
        }
        previous = record[0];
    }
    for (int i = count; i < kPointCount; ++i)
    {
        records[i][0] = -1.0f;
        records[i][1] = 0.0f;
        records[i][2] = 0.0f;
    }
    bytes.resize(kRawBlockMsegPointsSize);
    std::memcpy(bytes.data(), records, sizeof(records));
    return true;
}

bool BuildOrder(const std::string& path, const SECTION& section, std::vector<uint8_t>& bytes,
                std::string& error)
{
    if (section.lines.size() != 1)
    {
        error = Where(path, section.number) + "an order section is one line of seven modules";
        return false;
    }
    const SOURCE_LINE& line = section.lines.front();
    std::istringstream stream(line.text);
    int32_t codes[kModulesPerLayer] = {};
    bool seen[kModulesPerLayer] = {};
    std::string word;
    int count = 0;
    while (stream >> word)
    {
        int code = -1;
        for (int c = 0; c < kModulesPerLayer; ++c)
        {
            if (NormaliseText(word) == NormaliseText(kModuleNames[c]))
                code = c;
        }
        if (code < 0 || seen[code] || count == kModulesPerLayer)
        {
            error = Where(path, line.number) + "'" + word +
                    "': expected each of Filter Dist LoFi Flanger Delay Tremolo Glitch once";
            return false;
        }
        seen[code] = true;
        codes[count++] = code;
    }
    if (count != kModulesPerLayer)
    {
        error = Where(path, line.number) + "all seven modules must be listed";
        return false;
    }
    bytes.resize(kRawBlockLayerOrderSize);
    std::memcpy(bytes.data(), codes, sizeof(codes));
    return true;
}

// "ModN <what>" with N = 1..8: the modulator index 0..7, else -1.
int ModulatorOf(const std::string& sectionName, const std::string& what)
{
    const std::string name = NormaliseText(sectionName);
    const std::string suffix = " " + NormaliseText(what);
    if (name.size() != 4 + suffix.size() || name.compare(0, 3, "mod") != 0 ||
        name.compare(4, std::string::npos, suffix) != 0 || name[3] < '1' || name[3] > '8')
        return -1;
    return name[3] - '1';
}

// Splits "Name = value" at its first "=".
bool SplitSetting(const SOURCE_LINE& line, std::string& name, std::string& value)
{
    const size_t equals = line.text.find('=');
    if (equals == std::string::npos)
        return false;
    name = Trim(line.text.substr(0, equals));
    value = Trim(line.text.substr(equals + 1));
    return !name.empty() && !value.empty();
}
} // namespace

CPresetCompiler::CPresetCompiler(CBaseEffect* effect) : m_effect(effect) {}

int CPresetCompiler::FindParameter(const std::string& name) const
{
    const std::string wanted = NormaliseText(name);
    for (int id = 0; id < kNumParameters; ++id)
    {
        char text[64] = {};
        m_effect->GetParameterName(id, text);
        if (NormaliseText(text) == wanted)
            return id;
    }
    return -1;
}

bool CPresetCompiler::ApplySetting(const std::string& name, const std::string& value,
                                   std::string& error)
{
    const int id = FindParameter(name);
    if (id < 0)
    {
        error = "unknown parameter '" + name + "'";
        return false;
    }
    char text[64] = {};
    m_effect->GetParameterName(id, text);
    CBaseEffect* effect = m_effect;
    CParameterSearch search(text,
                            [effect, id](float scaled)
                            {
                                char shown[64] = {};
                                // As a host's set: the speed and glitch-scale shapes
                                // follow their switches.
                                effect->RefreshParameter(id, scaled);
                                effect->GetParameterTextValue(id, shown);
                                return std::string(shown);
                            });
    float scaled = 0.0f;
    if (!search.Find(value, scaled, error))
        return false;
    m_effect->RefreshParameter(id, scaled);
    return true;
}

bool CPresetCompiler::CompilePluginPreset(const std::string& sourcePath,
                                          const std::string& outPath, std::string& error)
{
    std::vector<SOURCE_LINE> lines;
    if (!ReadSource(sourcePath, lines, error))
        return false;
    std::vector<SOURCE_LINE> settings;
    std::vector<SECTION> sections;
    SplitSections(lines, settings, sections);

    // The factory state, without the user's default preset that CMorvex's reset adds.
    m_effect->CBaseEffect::ResetPreset();
    for (const SOURCE_LINE& line : settings)
    {
        std::string name;
        std::string value;
        if (!SplitSetting(line, name, value))
        {
            error = Where(sourcePath, line.number) + "expected \"Parameter Name = value\"";
            return false;
        }
        if (!ApplySetting(name, value, error))
        {
            error = Where(sourcePath, line.number) + error;
            return false;
        }
    }
    for (const SECTION& section : sections)
    {
        std::vector<uint8_t> bytes;
        int id = -1;
        const std::string name = NormaliseText(section.name);
        if (ModulatorOf(section.name, "Steps") >= 0)
        {
            id = kRawBlockSteps + ModulatorOf(section.name, "Steps");
            if (!BuildSteps(sourcePath, section, bytes, error))
                return false;
        }
        else if (ModulatorOf(section.name, "Points") >= 0)
        {
            id = kRawBlockMsegPoints + ModulatorOf(section.name, "Points");
            if (!BuildPoints(sourcePath, section, bytes, error))
                return false;
        }
        else if (name == "layera order" || name == "layerb order")
        {
            id = kRawBlockLayerOrder + (name == "layera order" ? 0 : 1);
            if (!BuildOrder(sourcePath, section, bytes, error))
                return false;
        }
        else
        {
            error = Where(sourcePath, section.number) + "unknown section '" + section.name +
                    "' (ModN Steps, ModN Points, LayerA Order, LayerB Order)";
            return false;
        }
        m_effect->SetRawParameterBlock(id, bytes.data());
    }
    if (!m_effect->SavePreset(outPath.c_str()))
    {
        error = outPath + ": cannot be written";
        return false;
    }
    return true;
}

bool CPresetCompiler::CompileModulatorPreset(const std::string& sourcePath,
                                             const std::string& outPath, std::string& error)
{
    std::vector<SOURCE_LINE> lines;
    if (!ReadSource(sourcePath, lines, error))
        return false;
    std::vector<SOURCE_LINE> settings;
    std::vector<SECTION> sections;
    SplitSections(lines, settings, sections);

    int32_t mode = -1;
    int32_t numSteps = MsegPresetFile::kMaxSteps;
    for (const SOURCE_LINE& line : settings)
    {
        std::string name;
        std::string value;
        float number = 0.0f;
        if (!SplitSetting(line, name, value))
        {
            error = Where(sourcePath, line.number) + "expected \"Mode = ...\" or \"NumSteps = ...\"";
            return false;
        }
        if (NormaliseText(name) == "mode" &&
            (NormaliseText(value) == "steps" || NormaliseText(value) == "curve"))
        {
            mode = NormaliseText(value) == "steps" ? MsegPresetFile::kModeSteps
                                                   : MsegPresetFile::kModeEnvelope;
        }
        else if (NormaliseText(name) == "numsteps" && ReadNumbers(value, 1, &number) &&
                 number == std::floor(number) && number >= MsegPresetFile::kMinSteps &&
                 number <= MsegPresetFile::kMaxSteps)
        {
            numSteps = static_cast<int32_t>(number);
        }
        else
        {
            error = Where(sourcePath, line.number) + "'" + line.text +
                    "': expected Mode = Steps|Curve or NumSteps = 2..32";
            return false;
        }
    }
    if (mode < 0 || sections.size() != 1)
    {
        error = sourcePath + ": a modulator preset needs a Mode and one [Steps] or [Points] section";
        return false;
    }
    const SECTION& section = sections.front();
    const std::string wanted = mode == MsegPresetFile::kModeSteps ? "steps" : "points";
    if (NormaliseText(section.name) != wanted)
    {
        error = Where(sourcePath, section.number) + "mode " +
                (mode == MsegPresetFile::kModeSteps ? "Steps" : "Curve") + " takes a [" +
                (mode == MsegPresetFile::kModeSteps ? "Steps" : "Points") + "] section";
        return false;
    }
    std::vector<uint8_t> body;
    if (!(mode == MsegPresetFile::kModeSteps ? BuildSteps(sourcePath, section, body, error)
                                             : BuildPoints(sourcePath, section, body, error)))
        return false;
    const std::vector<uint8_t> file = MsegPresetFile::Build(mode, numSteps, body.data());
    MsegPresetFile::MSEG_PRESET check;
    if (MsegPresetFile::Parse(file.data(), file.size(), check) != MsegPresetFile::kOk)
    {
        error = sourcePath + ": the result is not a whole modulator preset";
        return false;
    }
    if (!PresetFileWriter::Write(outPath, file.data(), file.size()))
    {
        error = outPath + ": cannot be written";
        return false;
    }
    return true;
}

bool CPresetCompiler::CompileLibrary(const std::string& sourceDir, const std::string& outDir,
                                     std::vector<std::string>& written, std::string& error)
{
    struct KIND
    {
        const char* sourceFolder;
        const char* outFolder;
        const char* extension;
        bool plugin;
    };
    const KIND kinds[] = {{"plugin", kPluginFolder, ".prg", true},
                          {"modulator", kModulatorFolder, ".mprg", false}};
    std::error_code code;
    // Each run replaces what an earlier run wrote, so that a deleted source leaves no file.
    // Only a folder this tool made is cleared: pointed at a user's data folder by mistake,
    // it stops instead of deleting the user's presets.
    const fs::path marker = fs::path(outDir) / kOutputMarker;
    if (fs::exists(outDir) && !fs::is_empty(outDir, code) && !fs::exists(marker))
    {
        error = outDir + ": not empty and not written by morvex-presets; give a new folder";
        return false;
    }
    fs::create_directories(outDir, code);
    std::ofstream(marker) << "Written by morvex-presets; its contents are replaced on every run.\n";
    for (const KIND& kind : kinds)
    {
        const fs::path from = fs::path(sourceDir) / kind.sourceFolder;
        const fs::path to = fs::path(outDir) / kind.outFolder;
        fs::remove_all(to, code);
        if (!fs::is_directory(from))
        {
            error = from.string() + ": no such folder";
            return false;
        }
        std::vector<fs::path> sources;
        for (const fs::directory_entry& category : fs::directory_iterator(from, code))
        {
            if (!category.is_directory())
                continue;
            for (const fs::directory_entry& entry : fs::directory_iterator(category.path(), code))
            {
                if (entry.is_regular_file() && entry.path().extension() == ".txt")
                    sources.push_back(entry.path());
            }
        }
        std::sort(sources.begin(), sources.end());
        for (const fs::path& source : sources)
        {
            const std::string category = source.parent_path().filename().string();
            const fs::path folder = to / category;
            fs::create_directories(folder, code);
            const fs::path out = folder / (source.stem().string() + kind.extension);
            const bool ok = kind.plugin
                                ? CompilePluginPreset(source.string(), out.string(), error)
                                : CompileModulatorPreset(source.string(), out.string(), error);
            if (!ok)
                return false;
            written.push_back((fs::path(kind.outFolder) / category / out.filename()).string());
        }
    }
    std::sort(written.begin(), written.end());
    return true;
}
