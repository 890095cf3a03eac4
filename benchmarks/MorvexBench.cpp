// morvex-bench: CPU cost of the plug-in's audio path, driven through its host
// adapter like a DAW would drive it. Reports nanoseconds per stereo sample frame
// and the real-time factor (how many times faster than real time one core runs).
// With --events: the blocks that carry a host event instead (transport stop and
// start, tempo change, preset load, parameter burst, sample-rate change), median and
// worst per event kind, because a dropout is one late block, not a high average.
//
// Usage: morvex-bench [--seconds S] [--rate HZ] [--block N] [--filter TEXT]
//                     [--save-chunks DIR] [--events]

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <time.h>
#include <vector>

using namespace MorvexParam;

namespace
{
VstTimeInfo g_time;

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterGetTime)
        return reinterpret_cast<VstIntPtr>(&g_time);
    return 0;
}

struct OPTIONS
{
    double seconds = 4.0;
    float rate = 48000.0f;
    int block = 512;
    std::string filter;
    std::string chunkDir; // when set: write each case's state there instead of measuring
    bool events = false;  // per-event worst blocks instead of the average cost
    bool blockGiven = false;
};

using PATCH = std::function<void(CVstWrapper*, CMorvex*)>;

void Set(CMorvex* effect, CVstWrapper* wrapper, int id, float unscaled)
{
    wrapper->setParameter(id, effect->UnscaledValueToScaled(id, unscaled));
}

// Every module of layer A switched off, master effects neutral: the bare engine.
void AllModulesOff(CVstWrapper* w, CMorvex* e)
{
    for (int layer = 0; layer < 2; ++layer)
    {
        for (int onId : {kFilterOn, kDelayOn, kDistOn, kLoFiOn, kGlitchOn, kFlangerOn})
            Set(e, w, onId + layer, 0.0f);
    }
    Set(e, w, kReverbOn, 0.0f);
    Set(e, w, kEqOn, 0.0f);
}

void FilterOn(CVstWrapper* w, CMorvex* e, int layer)
{
    Set(e, w, kFilterOn + layer, 1.0f);
    Set(e, w, kFilterMode + layer, 3.0f); // lowpass 24 dB
    Set(e, w, kFilterCutoff + layer, 80.0f);
    Set(e, w, kFilterRes + layer, 5.0f);
    Set(e, w, kFilterLocut + layer, 30.0f);
    Set(e, w, kFilterHicut + layer, 120.0f);
}

void DelayOn(CVstWrapper* w, CMorvex* e, int layer)
{
    Set(e, w, kDelayOn + layer, 1.0f);
    Set(e, w, kDelayMix + layer, 40.0f);
    Set(e, w, kDelayFeedback + layer, 60.0f);
    Set(e, w, kDelayPingPong + layer, 1.0f);
    Set(e, w, kDelayBandpass + layer, 50.0f);
    Set(e, w, kDelayLowpass + layer, 5000.0f);
}

void DistOn(CVstWrapper* w, CMorvex* e, int layer)
{
    Set(e, w, kDistOn + layer, 1.0f);
    Set(e, w, kDistMix + layer, 100.0f);
    Set(e, w, kDistDrive + layer, 9.0f);
    Set(e, w, kDistFuzz + layer, 50.0f);
    Set(e, w, kDistMode + layer, 3.0f);
    Set(e, w, kDistMono + layer, 30.0f);
}

void LoFiOn(CVstWrapper* w, CMorvex* e, int layer)
{
    Set(e, w, kLoFiOn + layer, 1.0f);
    Set(e, w, kLoFiMix + layer, 100.0f);
    Set(e, w, kLoFiBitDepth + layer, 40.0f);
    Set(e, w, kLoFiSampleRate + layer, 30.0f);
    Set(e, w, kLoFiNoise + layer, 20.0f);
    Set(e, w, kLoFiTone + layer, 30.0f);
}

void FlangerOn(CVstWrapper* w, CMorvex* e, int layer)
{
    Set(e, w, kFlangerOn + layer, 1.0f);
    Set(e, w, kFlangerMix + layer, 60.0f);
    Set(e, w, kFlangerFeedback + layer, 50.0f);
    Set(e, w, kFlangerMode + layer, 0.0f);
}

void GlitchOn(CVstWrapper* w, CMorvex* e, int layer)
{
    Set(e, w, kGlitchOn + layer, 1.0f);
    Set(e, w, kGlitchMix + layer, 100.0f);
    Set(e, w, kGlitchScale + layer, 3.0f);
    Set(e, w, kGlitchStretch + layer, 0.5f);
    Set(e, w, kGlitchMode + layer, 0.0f);
}

void ReverbOn(CVstWrapper* w, CMorvex* e)
{
    Set(e, w, kReverbOn, 1.0f);
    Set(e, w, kReverbMix, 40.0f);
    Set(e, w, kReverbSize, 80.0f);
    Set(e, w, kReverbDecay, 80.0f);
}

void EqOn(CVstWrapper* w, CMorvex* e)
{
    Set(e, w, kEqOn, 1.0f);
    Set(e, w, kEqBass, 6.0f);
    Set(e, w, kEqMid, -4.0f);
    Set(e, w, kEqTreble, 3.0f);
}

// Eight modulators, each with tremolo and pan flip, routed through all 24 slots.
void ModulatorsRouted(CVstWrapper* w, CMorvex* e)
{
    for (int k = 0; k < kNumModulators; ++k)
    {
        Set(e, w, kModMode + k, static_cast<float>(k % 2)); // steps and curves
        Set(e, w, kModTremolo + k, 30.0f);
        Set(e, w, kModPanFlip + k, 20.0f);
        Set(e, w, kModShuffle + k, 25.0f);
    }
    const int targets[kNumMatrixSlots] = {
        kFilterCutoff, kFilterRes,      kDelayFeedback,   kDelayMix,     kDistDrive,
        kDistColor,    kLoFiBitDepth,   kLoFiSampleRate,  kFlangerDepth, kFlangerWidth,
        kGlitchMix,    kVolume,         kFilterCutoff + 1, kDelayMix + 1, kDistDrive + 1,
        kLoFiTone + 1, kFlangerMix + 1, kReverbMix,       kEqBass,       kLayerAPan,
        kLayerBPan,    kLayerAMix,      kPan,             kDryWet};
    for (int slot = 0; slot < kNumMatrixSlots; ++slot)
    {
        Set(e, w, kMtxSource + slot, static_cast<float>(slot % kNumModulators));
        Set(e, w, kMtxTarget + slot, static_cast<float>(targets[slot]));
        Set(e, w, kMtxDepth + slot, 40.0f);
    }
}

void FullPatch(CVstWrapper* w, CMorvex* e)
{
    Set(e, w, kLayerMode, 1.0f); // serial
    Set(e, w, kLayerBOn, 1.0f);
    for (int layer = 0; layer < 2; ++layer)
    {
        FilterOn(w, e, layer);
        DelayOn(w, e, layer);
        DistOn(w, e, layer);
        LoFiOn(w, e, layer);
        FlangerOn(w, e, layer);
        GlitchOn(w, e, layer);
    }
    ReverbOn(w, e);
    EqOn(w, e);
    ModulatorsRouted(w, e);
}

struct CASE
{
    const char* name;
    PATCH patch;
};

// Renders `seconds` of noise (then, for the denormal case, silence) and returns ns per frame.
struct RESULT
{
    double nsPerFrame;
    double nsPerFrameSilent;
};

RESULT Measure(const OPTIONS& options, const PATCH& patch, bool withSilence)
{
    auto* wrapper = static_cast<CVstWrapper*>(createEffectInstance(HostCallback));
    auto* effect = static_cast<CMorvex*>(wrapper->GetBaseEffect());
    g_time = VstTimeInfo{};
    g_time.tempo = 120.0;
    g_time.sampleRate = options.rate;
    g_time.flags = kVstTempoValid | kVstTransportPlaying;
    wrapper->setSampleRate(options.rate);
    wrapper->setBlockSize(options.block);
    wrapper->resume();
    patch(wrapper, effect);

    const int n = options.block;
    std::vector<float> in(2 * static_cast<size_t>(n)), out(2 * static_cast<size_t>(n));
    float* inputs[2] = {in.data(), in.data() + n};
    float* outputs[2] = {out.data(), out.data() + n};
    uint32_t noise = 12345u;
    auto fill = [&](float level) {
        for (float& x : in)
        {
            noise = noise * 1664525u + 1013904223u;
            x = level * (static_cast<float>(noise >> 8) / 8388608.0f - 1.0f);
        }
    };
    const int blocks = static_cast<int>(options.seconds * options.rate / n);
    auto run = [&](float level) {
        // One second of warm-up so smoothing, buffers and caches settle.
        const int warmup = static_cast<int>(options.rate / n);
        for (int b = 0; b < warmup; ++b)
        {
            fill(level);
            wrapper->processReplacing(inputs, outputs, n);
            g_time.samplePos += n;
        }
        double total = 0.0;
        for (int b = 0; b < blocks; ++b)
        {
            fill(level);
            const auto start = std::chrono::steady_clock::now();
            wrapper->processReplacing(inputs, outputs, n);
            total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() -
                                                              start)
                         .count();
            g_time.samplePos += n;
        }
        return total / (static_cast<double>(blocks) * n);
    };
    RESULT result{run(0.5f), 0.0};
    if (withSilence)
        result.nsPerFrameSilent = run(0.0f);
    delete wrapper;
    return result;
}

// Writes the bank chunk of a case's patch to DIR/NAME.fxb-chunk, so that an outside
// host can load exactly the state measured here. Returns false on a write error.
bool SaveChunk(const OPTIONS& options, const char* name, const PATCH& patch)
{
    auto* wrapper = static_cast<CVstWrapper*>(createEffectInstance(HostCallback));
    auto* effect = static_cast<CMorvex*>(wrapper->GetBaseEffect());
    wrapper->setSampleRate(options.rate);
    wrapper->setBlockSize(options.block);
    patch(wrapper, effect);
    void* data = nullptr;
    const VstInt32 size = wrapper->getChunk(&data, false);
    std::string file = options.chunkDir + "/";
    for (const char* c = name; *c; ++c)
        file += (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '-');
    file += ".chunk";
    bool ok = false;
    if (FILE* f = std::fopen(file.c_str(), "wb"))
    {
        ok = size > 0 && std::fwrite(data, 1, static_cast<size_t>(size), f) ==
                             static_cast<size_t>(size);
        ok = std::fclose(f) == 0 && ok;
    }
    delete wrapper;
    if (ok)
        std::printf("%s\n", file.c_str());
    else
        std::fprintf(stderr, "morvex-bench: cannot write %s\n", file.c_str());
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Worst blocks per host event

enum EVENT_KIND : int
{
    kEventNone = 0, // a block without an event: the steady state
    kEventStop,
    kEventStart,
    kEventTempo,
    kEventPresetLoad,
    kEventParameters,
    kEventRateChange,
    kEventKinds
};

const char* const kEventNames[kEventKinds] = {
    "steady", "transport stop", "transport start", "tempo change",
    "preset load", "parameter burst", "rate change",
};

// The thread's CPU time in microseconds: only what this thread ran, whatever else the
// machine does.
double ThreadCpuMicroseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) * 1e-3;
}

// One event every 50 ms in a fixed rotation, so that each kind recurs many times and no
// two share a block: stop, start (from the top), tempo 120 <-> 97, preset load (the state
// saved 50 ms before, as a host's undo or A/B compare does), burst of five parameters
// moved within +-0.1 of their values at the start, and every fourth round a device change
// to 44.1 kHz and back (suspend, new rate, resume, between two blocks).
struct EVENT_RUN
{
    std::vector<double> times[kEventKinds]; // CPU us of each event's block
    std::vector<double> next[kEventKinds];  // CPU us of the block after it
};

EVENT_RUN MeasureEvents(const OPTIONS& options, const PATCH& patch, int block)
{
    auto* wrapper = static_cast<CVstWrapper*>(createEffectInstance(HostCallback));
    auto* effect = static_cast<CMorvex*>(wrapper->GetBaseEffect());
    float rate = options.rate;
    g_time = VstTimeInfo{};
    g_time.tempo = 120.0;
    g_time.sampleRate = rate;
    g_time.timeSigNumerator = 4;
    g_time.timeSigDenominator = 4;
    wrapper->setSampleRate(rate);
    wrapper->setBlockSize(block);
    wrapper->resume();
    patch(wrapper, effect);
    const int numParams = kNumParameters;
    std::vector<float> centre(static_cast<size_t>(numParams));
    for (int id = 0; id < numParams; ++id)
        centre[static_cast<size_t>(id)] = wrapper->getParameter(id);

    const int n = block;
    std::vector<float> in(2 * static_cast<size_t>(n)), out(2 * static_cast<size_t>(n));
    float* inputs[2] = {in.data(), in.data() + n};
    float* outputs[2] = {out.data(), out.data() + n};
    uint32_t noise = 12345u;
    const auto random = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return noise;
    };
    // A beat: a decaying low tone on every quarter note over quiet noise.
    long long frame = 0;
    const auto fill = [&] {
        for (int i = 0; i < n; ++i)
        {
            const double t = std::fmod(static_cast<double>(frame + i) / rate, 0.5);
            const float kick = static_cast<float>(0.5 * std::sin(2.0 * 3.14159265 * 60.0 * t) *
                                                  std::exp(-t * 10.0));
            for (int c = 0; c < 2; ++c)
                in[static_cast<size_t>(c * n + i)] =
                    kick + 0.05f * (static_cast<float>(random() >> 8) / 8388608.0f - 1.0f);
        }
        frame += n;
    };
    bool playing = true;
    const auto process = [&](bool changed) {
        fill();
        g_time.flags = kVstTempoValid | kVstPpqPosValid | kVstBarsValid | kVstTimeSigValid |
                       (playing ? kVstTransportPlaying : 0) | (changed ? kVstTransportChanged : 0);
        g_time.barStartPos = std::floor(g_time.ppqPos / 4.0) * 4.0;
        const double start = ThreadCpuMicroseconds();
        wrapper->processReplacing(inputs, outputs, n);
        const double cpu = ThreadCpuMicroseconds() - start;
        if (playing)
        {
            g_time.samplePos += n;
            g_time.ppqPos += n * g_time.tempo / 60.0 / rate;
        }
        return cpu;
    };

    // A second of warm-up: smoothing settles, the lines fill, the caches warm.
    process(true);
    for (int b = 1; b < static_cast<int>(options.rate / n); ++b)
        process(false);

    EVENT_RUN run;
    std::vector<uint8_t> saved;
    const int blocksPerEvent = std::max(1, static_cast<int>(0.05 * options.rate / n));
    const int rounds = std::max(1, static_cast<int>(options.seconds / 0.35));
    for (int round = 0; round < rounds; ++round)
    {
        for (int kind = kEventStop; kind < kEventKinds; ++kind)
        {
            if (kind == kEventRateChange && round % 4 != 3)
                continue;
            bool changed = false;
            switch (kind)
            {
            case kEventStop:
                playing = false;
                changed = true;
                break;
            case kEventStart:
                playing = true;
                changed = true;
                g_time.samplePos = 0.0;
                g_time.ppqPos = 0.0;
                break;
            case kEventTempo:
                g_time.tempo = g_time.tempo == 120.0 ? 97.0 : 120.0;
                {
                    // The state a preset load restores in this round.
                    void* data = nullptr;
                    const VstInt32 size = wrapper->getChunk(&data, false);
                    saved.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
                }
                break;
            case kEventPresetLoad:
                if (!saved.empty())
                    wrapper->setChunk(saved.data(), static_cast<VstInt32>(saved.size()), false);
                break;
            case kEventParameters:
                for (int k = 0; k < 5; ++k)
                {
                    const int id = static_cast<int>(random() % static_cast<uint32_t>(numParams));
                    const float offset =
                        (static_cast<float>(random() >> 8) / 8388608.0f - 1.0f) * 0.1f;
                    const float centreValue = centre[static_cast<size_t>(id)];
                    wrapper->setParameter(id, std::clamp(centreValue + offset, 0.0f, 1.0f));
                }
                break;
            case kEventRateChange:
                rate = rate == options.rate ? 44100.0f : options.rate;
                wrapper->suspend();
                wrapper->setSampleRate(rate);
                wrapper->setBlockSize(block);
                wrapper->resume();
                g_time.sampleRate = rate;
                break;
            default:
                break;
            }
            run.times[kind].push_back(process(changed));
            run.next[kind].push_back(process(false));
            for (int b = 2; b < blocksPerEvent; ++b)
                run.times[kEventNone].push_back(process(false));
        }
    }
    delete wrapper;
    return run;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Worst(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

// Both states at 32 and 64 frames (or the --block given): one line per event kind with its
// block's median and worst, the worst of the block after it, and the worst as a multiple of
// the steady median.
void ReportEvents(const OPTIONS& options, const PATCH& defaultPatch, const PATCH& fullPatch)
{
    std::printf("Morvex blocks that carry a host event, at %.0f Hz, %.0f s per case: CPU time\n"
                "in us (event block median / worst, worst of the block after it, worst / steady\n"
                "median; the deadline of a block of 64 is %.0f us, of 32 %.0f us)\n\n",
                options.rate, options.seconds, 64e6 / options.rate, 32e6 / options.rate);
    std::printf("%-14s %5s  %-16s %6s %8s %8s %10s %8s\n", "state", "block", "event", "count",
                "median", "worst", "next worst", "x steady");
    const struct
    {
        const char* name;
        const PATCH* patch;
    } states[] = {{"default patch", &defaultPatch}, {"full patch", &fullPatch}};
    const int defaultBlocks[] = {64, 32};
    for (const auto& state : states)
    {
        if (!options.filter.empty() &&
            std::string(state.name).find(options.filter) == std::string::npos)
            continue;
        for (int block : defaultBlocks)
        {
            if (options.blockGiven && block != defaultBlocks[0])
                break;
            const int size = options.blockGiven ? options.block : block;
            const EVENT_RUN run = MeasureEvents(options, *state.patch, size);
            const double steady = Median(run.times[kEventNone]);
            for (int kind = 0; kind < kEventKinds; ++kind)
            {
                const std::vector<double>& times = run.times[kind];
                char next[16] = "-";
                if (kind != kEventNone)
                    std::snprintf(next, sizeof(next), "%.1f", Worst(run.next[kind]));
                std::printf("%-14s %5d  %-16s %6zu %8.1f %8.1f %10s %8.1f\n", state.name, size,
                            kEventNames[kind], times.size(), Median(times), Worst(times), next,
                            steady > 0.0 ? Worst(times) / steady : 0.0);
            }
            std::fflush(stdout);
        }
    }
}

void Usage()
{
    std::puts("usage: morvex-bench [--seconds S] [--rate HZ] [--block N] [--filter TEXT]\n"
              "                    [--save-chunks DIR] [--events]\n"
              "Measures ns per stereo sample frame of the default patch, the full patch and\n"
              "each module alone; --filter runs only the cases whose name contains TEXT.\n"
              "--save-chunks writes each case's state as a bank chunk into DIR (for an\n"
              "outside host's --chunk option) and measures nothing.\n"
              "--events measures instead the blocks that carry a host event (transport stop\n"
              "and start, tempo, preset load, parameter burst, rate change) in the default\n"
              "and the full patch at blocks of 64 and 32 (or --block): median and worst.");
}
} // namespace

int main(int argc, char** argv)
{
    OPTIONS options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue)
            options.seconds = std::atof(argv[++i]);
        else if (arg == "--rate" && hasValue)
            options.rate = static_cast<float>(std::atof(argv[++i]));
        else if (arg == "--block" && hasValue)
        {
            options.block = std::atoi(argv[++i]);
            options.blockGiven = true;
        }
        else if (arg == "--events")
            options.events = true;
        else if (arg == "--filter" && hasValue)
            options.filter = argv[++i];
        else if (arg == "--save-chunks" && hasValue)
            options.chunkDir = argv[++i];
        else if (arg == "-h" || arg == "--help")
        {
            Usage();
            return 0;
        }
        else
        {
            std::fprintf(stderr, "morvex-bench: unknown option '%s'\n", arg.c_str());
            Usage();
            return 2;
        }
    }
    if (!(options.seconds > 0.0) || !(options.rate >= 8000.0f) || options.block < 1)
    {
        std::fprintf(stderr, "morvex-bench: --seconds > 0, --rate >= 8000 and --block >= 1\n");
        return 2;
    }

    const CASE cases[] = {
        {"default patch", [](CVstWrapper*, CMorvex*) {}},
        {"engine only (all modules off)", AllModulesOff},
        {"filter alone", [](CVstWrapper* w, CMorvex* e) { AllModulesOff(w, e); FilterOn(w, e, 0); }},
        {"delay alone", [](CVstWrapper* w, CMorvex* e) { AllModulesOff(w, e); DelayOn(w, e, 0); }},
        {"distortion alone", [](CVstWrapper* w, CMorvex* e) { AllModulesOff(w, e); DistOn(w, e, 0); }},
        {"lo-fi alone", [](CVstWrapper* w, CMorvex* e) { AllModulesOff(w, e); LoFiOn(w, e, 0); }},
        {"flanger alone", [](CVstWrapper* w, CMorvex* e) { AllModulesOff(w, e); FlangerOn(w, e, 0); }},
        {"phaser alone", [](CVstWrapper* w, CMorvex* e) {
             AllModulesOff(w, e);
             FlangerOn(w, e, 0);
             Set(e, w, kFlangerMode, 1.0f);
         }},
        {"glitch alone", [](CVstWrapper* w, CMorvex* e) { AllModulesOff(w, e); GlitchOn(w, e, 0); }},
        {"reverb alone", [](CVstWrapper* w, CMorvex* e) { AllModulesOff(w, e); ReverbOn(w, e); }},
        {"master EQ alone", [](CVstWrapper* w, CMorvex* e) { AllModulesOff(w, e); EqOn(w, e); }},
        {"modulators: 8 routed to 24 targets", [](CVstWrapper* w, CMorvex* e) {
             AllModulesOff(w, e);
             ModulatorsRouted(w, e);
         }},
        {"full patch", FullPatch},
    };

    if (!options.chunkDir.empty())
    {
        int failures = 0;
        for (const CASE& c : cases)
        {
            if (options.filter.empty() || std::string(c.name).find(options.filter) != std::string::npos)
                failures += SaveChunk(options, c.name, c.patch) ? 0 : 1;
        }
        return failures ? 1 : 0;
    }

    if (options.events)
    {
        ReportEvents(options, cases[0].patch, FullPatch);
        return 0;
    }

    std::printf("Morvex audio path at %.0f Hz, blocks of %d, %.1f s per case\n\n", options.rate,
                options.block, options.seconds);
    std::printf("%-36s %12s %14s\n", "case", "ns/frame", "x real time");
    for (const CASE& c : cases)
    {
        if (!options.filter.empty() && std::string(c.name).find(options.filter) == std::string::npos)
            continue;
        const bool full = std::strcmp(c.name, "full patch") == 0;
        const RESULT r = Measure(options, c.patch, full);
        const double realTime = 1e9 / options.rate / r.nsPerFrame;
        std::printf("%-36s %12.1f %14.0f\n", c.name, r.nsPerFrame, realTime);
        if (full)
            std::printf("%-36s %12.1f %14.0f\n", "full patch, silence after loud input",
                        r.nsPerFrameSilent, 1e9 / options.rate / r.nsPerFrameSilent);
        std::fflush(stdout);
    }
    return 0;
}
