// morvex-screenshot: draws the editor offscreen through the plug-in's own editor
// code and writes it as a PNG.
//
//   morvex-screenshot [--mode normal|compact] [--scale 1|2] OUT.png
//
// An effect is created without a host (as the plug-in module would, with its
// editor), the editor opens offscreen in the chosen window mode and scale, one idle
// pass runs (meters, undo looks), and the whole window is written. The window mode
// given here is not stored in the preferences.
#include "Common/wrappers/EffectEditor.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Editor.h"
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
    std::fprintf(stream, "usage: morvex-screenshot [--mode normal|compact] [--scale 1|2] OUT.png\n");
}

struct OPTIONS
{
    int mode = CEditor::kNormalMode;
    double scale = 1.0;
    std::string output;
};

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
