// The copy / paste store of the settings menu, shared by every editor of the process
// (copy in one plug-in instance, paste in another): one modulator's 11 parameters and
// its envelope, step and preset path blocks, and one layer's 49 parameters with its
// "Flanger Mode" and "Delay Input". Values are scaled 0..1. Lives as long as the
// plug-in code is loaded. User-interface thread only (every editor of a process runs on
// the host's one user-interface thread).
#pragma once

class CMorvex;

class CModClipboard
{
public:
    static constexpr int kModParameterCount = 11;
    static constexpr int kLayerParameterCount = 49;

    // Modulator m (0..7): the 11 parameters 123 + m + 8k and the three blocks.
    static void CopyModulator(CMorvex* effect, int modulator);
    // Writes the copy into modulator m (no undo step; the caller records it). False,
    // and nothing changed, while nothing was copied.
    static bool PasteModulator(CMorvex* effect, int modulator);
    static bool HasModulator();

    // Layer L (0 / 1): parameters 25 + L + 2k (k = 0..48), 307 + L, 309 + L.
    static void CopyLayer(CMorvex* effect, int layer);
    static bool PasteLayer(CMorvex* effect, int layer);
    static bool HasLayer();

    // Forgets both copies (tests).
    static void Clear();

    // The parameter ids of a modulator / a layer, in clipboard order.
    static int ModParameterId(int modulator, int k) { return 123 + modulator + 8 * k; }
    static int LayerParameterId(int layer, int k) { return 25 + layer + 2 * k; }
};
