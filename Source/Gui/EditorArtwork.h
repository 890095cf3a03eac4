// The editor's bitmaps, drawn at build time by tools/artwork (morvex-artwork) from the
// layout table and embedded in the plug-in: one entry per image and scale (1 and 2),
// named as the editor loads them ("Background.png", "KnobMedFilter.png", ...).
// Register them once with VSTGUI::RegisterResources(kEditorArtwork, kEditorArtworkCount)
// before the first bitmap loads.
//
// Strips: frames are stacked vertically, frame 0 on top, each the size the layout table
// gives (LAYOUT_BITMAP in Gui/EditorLayout.h); the 2x image is exactly twice as wide and
// high. Buttons: frame 0 off / released, frame 1 on / pressed. Selectors: frame k shows
// position k lit. Knobs: frame i is the value i / (frames - 1).
//
// Meters: the toolkit's VU meter takes an "on" and an "off" image of the same size:
// "MainMeter.png" is the on image (every segment lit), "MainMeterOff.png" the off image
// (the same segments unlit). 38 segments of 1 px with 1-px gaps from the bottom up,
// -48 dB to +8 dB: green, yellow from -6 dB, red above 0 dB.
//
// Preset browsers: "PresetBrowser.png" / "ModPresetBrowser.png" are their menu buttons'
// backgrounds, drawn over the browser's text: transparent but for the menu chevron
// (frame 0) and an outline while the menu is open (frame 1); the field under the text is
// in the window background.
//
// Other images beyond the text-fixed names: "MatrixViewCmpt.png" (the matrix page in
// the compact window), "PowerButtonLoFi.png", "PowerButtonGlitch.png", "PowerButtonEq.png",
// "LimiterButton.png", the module knob strips "Knob{Med,Sml}{Filter,Dist,Delay,LoFi,
// Flanger,Glitch}.png", "KnobSmlMod.png", "KnobSmlLayer.png", the text toggles
// ("DelayLink.png", "GlitchReverse.png", ...) and "ModSliderHandle.png"; the compact
// master view's controls use the same names ending in "Cmpt".
#pragma once

#include "Common/wrappers/vstgui/Resources.h"

extern const VSTGUI::RESOURCE_ENTRY kEditorArtwork[];
extern const int kEditorArtworkCount;
