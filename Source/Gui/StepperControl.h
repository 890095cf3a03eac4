// The step editor: the pattern of one step modulator (up to 32 steps, each with an end
// position in step units and a level) drawn as a bar graph with a handle at the top
// right corner of every step, and a strip along the top that shows the pattern length
// and the playing step. Dragging a handle moves a step's end (on a quarter-step grid,
// between its predecessor and the length) and its level; dragging elsewhere paints
// levels, with a straight ramp across every cell swept in one move (right button or
// Ctrl: erase to 0); dragging in the strip sets the length (2..32).
//
// Levels are shown on a square-root scale (the stored level is the square of the
// shown one), so that low levels get more room on screen. The control holds no
// modulator identity: the editor loads the selected modulator's step block into it,
// copies the steps back after every change the listener hears (valueChanged), and
// pushes the play cursor, length and shuffle into it.
//
// User-interface thread only.
#pragma once

#include "vstgui/Color.h"
#include "vstgui/Control.h"

class IModEditorHost;

namespace VSTGUI
{
class CFontDesc;
}

class CStepperControl : public VSTGUI::CControl
{
public:
    static constexpr int kMaxSteps = 32;
    // Rows of the control, pixels from its top: the length strip, then the steps.
    static constexpr int kLengthStripHeight = 13;
    static constexpr int kStepAreaTop = 17;
    // Side of the square around a handle that grabs it, pixels.
    static constexpr int kHandleHitSize = 14;
    static constexpr int kMinLength = 2;
    // The step grid handles snap to, in step units.
    static constexpr float kPositionGrid = 0.25f;

    static constexpr VSTGUI::CColor kFillColor = VSTGUI::CColor(255, 172, 72, 120);
    static constexpr VSTGUI::CColor kLineColor = VSTGUI::CColor(20, 20, 20, 150);
    static constexpr VSTGUI::CColor kHandleColor = VSTGUI::CColor(168, 168, 168, 255);
    static constexpr VSTGUI::CColor kShadeColor = VSTGUI::CColor(0, 0, 0, 100);

    // All steps zero, length 32. `host` (may be null) records an undo step at every press.
    CStepperControl(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
                    IModEditorHost* host = nullptr);
    CStepperControl(const CStepperControl& other);
    ~CStepperControl() override;

    // Clears every step, then copies steps until an end position of exactly -1; each
    // copied level is shown as its square root. Nothing when either array is null.
    void Load(const float* positions, const float* levels);
    // The same from / into a raw step block (32 x {end position, level}, 256 bytes).
    void LoadBlock(const void* block);
    void StoreBlock(void* block) const;

    // Pattern length in step units, 2..32 (values outside are clamped).
    void SetLength(int length);
    int GetLength() const { return m_length; }
    // The modulator's "Mod%d Shuffle", scaled 0..1 (drawing only).
    void SetShuffle(float shuffle);
    float GetShuffle() const { return m_shuffle; }
    // Play position in step units (the editor's idle, while the transport runs).
    void SetCursor(float position);
    float GetCursor() const { return m_cursor; }
    // The length strip's cell of step unit `unit`, where the cursor shades it (parent
    // coordinates).
    VSTGUI::CRect CursorCellRect(float unit) const;

    // End position of step i; -1 for i outside 0..31.
    float GetPosition(int i) const;
    // Stored level of step i (the square of the shown level); 0 for i outside 0..31.
    float GetLevel(int i) const;
    // End position of step i as drawn, after shuffle (the stepper's own rule).
    float GetPosAt(long i) const;
    // Whether step i takes part (its end lies beyond every earlier step's end).
    bool IsStepInUse(int i) const;

    // Every shown level becomes 1 - level; the listener hears it.
    void Invert();
    void NotifyListener();
    void RedrawControl();

    // The step whose handle is under `where` (parent coordinates), or -1.
    long CursorToHandleIndex(const VSTGUI::CPoint& where) const;
    // The step whose cell is under `where`'s x, or -1 (0 left of the step area).
    long CursorToCellIndex(const VSTGUI::CPoint& where) const;
    // Areas in parent coordinates.
    VSTGUI::CRect GetStepArea() const;
    VSTGUI::CRect GetLengthStrip() const;
    // Pixels per step unit (control width / 32, whole pixels).
    long long GetCellWidth() const { return m_cellWidth; }

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CStepperControl(*this); }

private:
    struct STEP
    {
        float position = 0.0f;
        float level = 0.0f; // shown (square-root) scale
    };

    // 1 - (y - step area top) / step area height, clamped to 0..1.
    float LevelAt(VSTGUI::CCoord y) const;
    // One step of a gesture (the press and every move): the length, a handle or paint.
    void Edit(const VSTGUI::CPoint& where);
    void DragLength(const VSTGUI::CPoint& where);
    void DragHandle(const VSTGUI::CPoint& where);
    void Paint(const VSTGUI::CPoint& where);

    IModEditorHost* m_host;
    STEP m_steps[kMaxSteps];
    int m_length = kMaxSteps;
    float m_shuffle = 0.0f;
    float m_cursor = 0.0f;
    long long m_cellWidth;
    VSTGUI::CFontDesc* m_font; // owned (one reference)
    bool m_pressed = false;
    bool m_draggingLength = false;
    bool m_erasing = false; // right button or Ctrl at the press: painting sets 0
    long long m_handleIndex = -1;
    long long m_cellIndex = -1;
    VSTGUI::CPoint m_lastPoint;
};
