// A parameter knob that shows and edits its modulation: an arc from the knob's value
// to the value its modulation would reach, and a right-button (or Ctrl) drag on the
// knob that sets the modulation depth of the matrix slot shown. The slots are the
// matrix parameters (power 211 + s, depth 235 + s, source 259 + s, target 283 + s);
// of several slots aiming at one knob, modIndex picks the one shown and edited.
// User-interface thread.
#pragma once

#include "Common/wrappers/BaseAnimKnob.h"
#include "vstgui/Color.h"

#include <cstdint>

class CBaseEffect;

// The arc of one knob size.
struct KNOB_MOD_STYLE
{
    VSTGUI::CColor color;
    int32_t width;  // line width, pixels
    int32_t radius; // around the knob's centre, pixels
};

extern const KNOB_MOD_STYLE MEDIUM_KNOB_MOD_STYLE;
extern const KNOB_MOD_STYLE SMALL_KNOB_MOD_STYLE;
extern const KNOB_MOD_STYLE BIG_KNOB_MOD_STYLE;
extern const KNOB_MOD_STYLE DEF_MOD_STYLE; // a knob without a style of its own

class CModulationKnob : public CBaseAnimKnob
{
public:
    // Room around the film strip for the arc, pixels on every side.
    static constexpr int kArcMargin = 4;
    // The knob's travel, degrees clockwise from three o'clock.
    static constexpr double kStartAngle = 130.0;
    static constexpr double kRangeAngle = 280.0;
    // A context drag becomes a depth drag after this many pixels.
    static constexpr double kDepthDragThreshold = 2.0;
    // Depth per pixel of drag: 200 pixels span -1 .. +1.
    static constexpr float kDepthPerPixel = 2.0f / 200.0f;

    // `stripRect`: one frame of the film strip; the view is that grown by kArcMargin.
    // `style` is not owned (null: DEF_MOD_STYLE).
    CModulationKnob(CBaseEffect* effect, const VSTGUI::CRect& stripRect,
                    VSTGUI::CControlListener* listener, long tag, int subPixmaps,
                    VSTGUI::CCoord heightOfOneImage, VSTGUI::CBitmap* background,
                    const KNOB_MOD_STYLE* style);
    CModulationKnob(const CModulationKnob& other) = default;

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;

    // The depth parameter (235 + slot) of the modIndex-th slot aiming at this knob with a
    // source, or -1. Clamps modIndex to the slots found (0 when none).
    int GetModDepthParamID();
    // -1 .. +1; 0 without modulation.
    float GetModDepth();
    // Stores a depth (-1 .. +1) in the shown slot, tells the host and the editor.
    void SetModDepth(float depth);
    // Shows the modulation of matrix slot `slot` (when it aims at this knob).
    void OnModDepthChanged(int slot);
    long long GetModIndex() const { return m_modIndex; }
    void SetModIndex(long long index) { m_modIndex = index < 0 ? 0 : index; }

    // The arc for a value and depth: toolkit angles (degrees clockwise from twelve
    // o'clock), start <= end; equal when there is nothing to draw.
    static void GetArcAngles(float value, float depth, double& startDeg, double& endDeg);

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CModulationKnob(*this); }

private:
    CBaseEffect* m_effect;
    const KNOB_MOD_STYLE* m_style;
    bool m_depthDragged = false;
    long long m_modIndex = 0;
    float m_startDepth = 0.0f;
    int m_dragDepthId = -1; // the depth parameter a depth drag opened a host gesture for
    VSTGUI::CPoint m_pressPoint;
};
