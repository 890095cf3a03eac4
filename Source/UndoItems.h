// Undo items of Morvex's own edits: each knows which parameters and raw blocks
// an edit changes, holds a snapshot of them taken when it is made (immediately
// before the edit) and swaps it with the live state in Exectute, so that the
// same item serves for undo and redo. After a swap the editor, if there is one,
// re-reads all its controls. User-interface thread only.
//
// Parameter snapshots hold scaled values (0..1). They are written back in
// ascending id order and the effect is told of each, so that a sync switch or a
// glitch buffer restored before its speed or scale parameter gives that one its
// matching shape first.
#pragma once

#include "Common/wrappers/ActionItem.h"
#include "Common/wrappers/BaseEffect.h"

#include <cstdint>
#include <vector>

// The 96 routing-slot parameters (power, depth, source, target of slots 1..24).
class CMatrixUndoItem : public IActionItem
{
public:
    explicit CMatrixUndoItem(CBaseEffect* effect);
    void Exectute() override;

private:
    CBaseEffect* m_effect;
    std::vector<int> m_ids;
    std::vector<float> m_values;
};

// One effect module's parameters in one layer. Kinds: 1 filter, 2 distortion,
// 3 delay (with "Delay Input"), 4 lo-fi, 5 flanger/phaser (with "Flanger Mode"),
// 6 glitch. Another kind or a layer other than 0 or 1 makes an item that
// changes no parameter.
class CFxUndoItem : public IActionItem
{
public:
    CFxUndoItem(CBaseEffect* effect, int kind, int layer);
    void Exectute() override;

private:
    CBaseEffect* m_effect;
    std::vector<int> m_ids;
    std::vector<float> m_values;
};

// A modulator's envelope preset path, its steps, its envelope points, and its
// "Mod%d Mode" and "Mod%d NumSteps" as whole numbers. Modulator 0..7.
class CMsegUndoItem : public IActionItem
{
public:
    CMsegUndoItem(CBaseEffect* effect, int modulator);
    void Exectute() override;

private:
    CBaseEffect* m_effect;
    int m_modulator;
    char m_path[kPresetPathSize] = {};
    std::vector<uint8_t> m_steps;
    std::vector<uint8_t> m_points;
    int m_mode = 0;
    int m_numSteps = 0;
};

// The module order of one layer (raw block 10001 + layer). Layer 0 or 1.
class CRoutingUndoItem : public IActionItem
{
public:
    CRoutingUndoItem(CBaseEffect* effect, int layer);
    void Exectute() override;

private:
    CBaseEffect* m_effect;
    int m_blockId;
    std::vector<uint8_t> m_order;
};

// Everything a modulator paste replaces: its envelope, steps and path blocks and
// its 11 parameters (Sync, Speed, Mode, Smooth, NumSteps, Gate, Tension, Tremolo,
// Tremolo Dst, Pan Flip, Shuffle). Modulator 0..7.
class CPasteModUndoItem : public IActionItem
{
public:
    CPasteModUndoItem(CBaseEffect* effect, int modulator);
    void Exectute() override;

private:
    CBaseEffect* m_effect;
    int m_blockIds[3] = {};
    std::vector<uint8_t> m_blocks[3];
    std::vector<int> m_ids;
    std::vector<float> m_values;
};

// Everything a layer paste replaces: the 49 layer parameters 25 + L .. 121 + L,
// "Flanger Mode" and "Delay Input". Layer 0 or 1.
class CPasteLayerUndoItem : public IActionItem
{
public:
    CPasteLayerUndoItem(CBaseEffect* effect, int layer);
    void Exectute() override;

private:
    CBaseEffect* m_effect;
    std::vector<int> m_ids;
    std::vector<float> m_values;
};

// The whole plug-in state as a host chunk (preset path and MIDI map included).
class CMainPresetUndoItem : public IActionItem
{
public:
    explicit CMainPresetUndoItem(CBaseEffect* effect);
    void Exectute() override;

private:
    CBaseEffect* m_effect;
    std::vector<uint8_t> m_chunk;
};
