// morvex-screenshot: draws the editor offscreen through the plug-in's own editor
// code and writes it as a PNG.
//
//   morvex-screenshot [--mode normal|compact] [--scale 1|2] [--layer a|b]
//                     [--modulator 1..8] [--curve] [--matrix] [--master-view]
//                     [--routed] [--pattern] OUT.png
//
// An effect is created without a host (as the plug-in module would, with its
// editor), the editor opens offscreen in the chosen window mode and scale, the
// chosen view is set up as the user's clicks would (layer page, modulator tab and
// its curve mode, matrix page, the compact window's master view), one idle pass
// runs (meters, undo looks), and the whole window is written. --routed first routes
// a few modulators to knobs, so that arcs, aim buttons and matrix rows show.
// --pattern draws a rhythm into the chosen modulator's step editor and an envelope into
// its curve editor, loaded into the controls and stored back as an edit would be. The
// window mode given here is not stored in the preferences.
#include "Common/wrappers/EffectEditor.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Editor.h"
#include "Gui/EditorLayout.h"
#include "Gui/MsegControl.h"
#include "Gui/StepperControl.h"
#include "Morvex.h"
#include "vstgui/Control.h"
#include "vstgui/Frame.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace
{
void PrintUsage(FILE* stream)
{
    std::fprintf(stream, "usage: morvex-screenshot [--mode normal|compact] [--scale 1|2] "
                         "[--layer a|b] [--modulator 1..8] [--curve] [--matrix] "
                         "[--master-view] [--routed] [--pattern] OUT.png\n");
}

struct OPTIONS
{
    int mode = CEditor::kNormalMode;
    double scale = 1.0;
    int layer = 0;
    int modulator = 0;
    bool curve = false;
    bool matrix = false;
    bool masterView = false;
    bool routed = false;
    bool pattern = false;
    std::string output;
};

// Sets an editor-only control as the user's click would.
void Select(CEditor* editor, long tag, float value)
{
    if (VSTGUI::CControl* control = editor->GetTaggedControl(tag))
    {
        control->setValue(value);
        editor->valueChanged(control);
    }
}

// A few routes with different depths: modulators 1..4 to knobs of both layers and the
// master strip.
void RouteExamples(CMorvex* effect)
{
    using namespace MorvexParam;
    const int routes[][2] = {{kFilterCutoff, 0}, {kDelayFeedback, 1}, {kDistDrive, 2},
                             {kVolume, 3},       {kFlangerDepth + 1, 1}};
    for (const auto& route : routes)
        effect->AddModulation(route[0], route[1], true);
}

// A sixteen-step groove with accents on the beats, a ghost note and a longer last step,
// and a pumping envelope over a bar: the selected modulator's pattern editors load
// them and the editor stores them as if they had been drawn.
void DrawPattern(CEditor* editor)
{
    if (CStepperControl* steps = editor->GetStepEditor())
    {
        const float shown[15] = {1.0f, 0.35f, 0.6f, 0.35f, 0.9f, 0.35f, 0.6f, 0.0f,
                                 1.0f, 0.35f, 0.6f, 0.45f, 0.9f, 0.7f, 0.5f};
        float positions[32], levels[32];
        for (int k = 0; k < 32; ++k)
        {
            positions[k] = k < 14 ? static_cast<float>(k + 1) : (k == 14 ? 16.0f : -1.0f);
            const float level = k < 15 ? shown[k] : 0.0f;
            levels[k] = level * level; // stored on the square scale
        }
        steps->Load(positions, levels);
        steps->SetLength(16);
        editor->valueChanged(steps);
    }
    if (CMsegControl* envelope = editor->GetMsegEditor())
    {
        // position (step units), shown level, tension of the segment ending there
        const float points[][3] = {{0.0f, 0.0f, 0.0f},   {1.0f, 1.0f, -0.6f},
                                   {6.0f, 0.55f, 0.4f},  {8.0f, 0.1f, 0.0f},
                                   {8.0f, 0.9f, 0.0f},   {11.0f, 0.7f, -0.3f},
                                   {14.0f, 0.3f, 0.5f},  {16.0f, 0.0f, 0.2f}};
        constexpr int kCount = sizeof(points) / sizeof(points[0]);
        float positions[kCount + 1], levels[kCount + 1], tensions[kCount + 1];
        for (int i = 0; i < kCount; ++i)
        {
            positions[i] = points[i][0];
            levels[i] = points[i][1] * points[i][1];
            tensions[i] = points[i][2];
        }
        positions[kCount] = -1.0f;
        levels[kCount] = tensions[kCount] = 0.0f;
        envelope->Load(positions, levels, tensions);
        editor->valueChanged(envelope);
    }
}

// False (with a message) on anything it does not understand.
bool ParseArguments(int argc, char** argv, OPTIONS& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--mode" && hasValue)
        {
            const std::string mode = argv[++i];
            if (mode == "normal")
                options.mode = CEditor::kNormalMode;
            else if (mode == "compact")
                options.mode = CEditor::kCompactMode;
            else
            {
                std::fprintf(stderr, "morvex-screenshot: unknown mode \"%s\"\n", mode.c_str());
                return false;
            }
        }
        else if (argument == "--scale" && hasValue)
        {
            const std::string scale = argv[++i];
            if (scale == "1")
                options.scale = 1.0;
            else if (scale == "2")
                options.scale = 2.0;
            else
            {
                std::fprintf(stderr, "morvex-screenshot: scale must be 1 or 2, not \"%s\"\n",
                             scale.c_str());
                return false;
            }
        }
        else if (argument == "--layer" && hasValue)
        {
            const std::string layer = argv[++i];
            if (layer != "a" && layer != "b")
            {
                std::fprintf(stderr, "morvex-screenshot: layer must be a or b\n");
                return false;
            }
            options.layer = layer == "b" ? 1 : 0;
        }
        else if (argument == "--modulator" && hasValue)
        {
            const int modulator = std::atoi(argv[++i]);
            if (modulator < 1 || modulator > 8)
            {
                std::fprintf(stderr, "morvex-screenshot: modulator must be 1..8\n");
                return false;
            }
            options.modulator = modulator - 1;
        }
        else if (argument == "--curve")
            options.curve = true;
        else if (argument == "--matrix")
            options.matrix = true;
        else if (argument == "--master-view")
            options.masterView = true;
        else if (argument == "--routed")
            options.routed = true;
        else if (argument == "--pattern")
            options.pattern = true;
        else if (argument == "-h" || argument == "--help")
        {
            PrintUsage(stdout);
            std::exit(0);
        }
        else if (!argument.empty() && argument[0] != '-' && options.output.empty())
        {
            options.output = argument;
        }
        else
        {
            std::fprintf(stderr, "morvex-screenshot: unexpected argument \"%s\"\n",
                         argument.c_str());
            return false;
        }
    }
    if (options.output.empty())
    {
        std::fprintf(stderr, "morvex-screenshot: no output file given\n");
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    OPTIONS options;
    if (!ParseArguments(argc, argv, options))
    {
        PrintUsage(stderr);
        return 2;
    }
    EffectEditor::SetEditorFactory(&CreateMorvexEditor);
    // No host: the adapter owns the effect, its SDK base the editor.
    std::unique_ptr<AudioEffect> plugin(createEffectInstance(nullptr));
    auto* wrapper = static_cast<CVstWrapper*>(plugin.get());
    CBaseEffect* effect = wrapper ? wrapper->GetBaseEffect() : nullptr;
    auto* editor = effect ? dynamic_cast<CEditor*>(effect->GetEditor()) : nullptr;
    if (!editor)
    {
        std::fprintf(stderr, "morvex-screenshot: the plug-in made no editor\n");
        return 1;
    }
    editor->SetEditorViewMode(options.mode);
    if (!editor->OpenOffscreen(options.scale))
    {
        std::fprintf(stderr, "morvex-screenshot: the editor did not open (artwork missing?)\n");
        return 1;
    }
    if (options.routed)
    {
        if (auto* morvex = dynamic_cast<CMorvex*>(effect))
            RouteExamples(morvex);
    }
    if (options.curve)
        effect->RefreshParameter(MorvexParam::kModMode + options.modulator, 1.0f);
    Select(editor, kTagLayerSelector, static_cast<float>(options.layer));
    Select(editor, kTagModSelector, options.modulator / 7.0f);
    Select(editor, kTagMatrixSwitch, options.matrix ? 1.0f : 0.0f);
    if (options.pattern)
        DrawPattern(editor);
    if (options.mode == CEditor::kCompactMode)
        Select(editor, kTagViewSelector, options.masterView ? 1.0f : 0.0f);
    editor->IdleWindow();
    VSTGUI::CFrame* frame = editor->getFrame();
    const bool written = frame && frame->writePNG(options.output.c_str());
    editor->CloseWindow();
    if (!written)
    {
        std::fprintf(stderr, "morvex-screenshot: cannot write \"%s\"\n", options.output.c_str());
        return 1;
    }
    return 0;
}
