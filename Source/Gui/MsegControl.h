// The MSEG editor: the breakpoints of one envelope modulator (up to 64 points, each with
// a position in step units, a level and the tension of the segment that ends at it)
// drawn as a filled curve over the 32-step range with a handle at every point. Left
// drags move a point (snapped to the snap unit; later points ripple along unless drag
// mode keeps each point between its neighbours) or bend the segment under the mouse
// (double-click: straight again); the right button or Ctrl adds a point (on a half-step
// grid) or removes the point under the mouse, and a right drag removes every point it
// passes. The first and the last point cannot be removed.
//
// Levels are shown on a square-root scale, like the step editor. Segments are drawn as
// a cubic Bezier whose two control points coincide; the segment's bend is its own
// tension plus the global tension offset of the modulator's "Mod%d Tension", mapped as
// the audio maps it (0 % bends by -0.5), so the curve bends the way it sounds. The
// control holds no modulator identity: the editor loads the selected modulator's point
// block, copies the points back after every change the listener hears, and pushes
// cursor, tension, shuffle and drag mode into it.
//
// User-interface thread only.
#pragma once

#include "Processing/Modulators/Mseg.h"
#include "vstgui/Color.h"
#include "vstgui/Control.h"

#include <vector>

class IModEditorHost;

namespace VSTGUI
{
class CFontDesc;
}

class CMsegControl : public VSTGUI::CControl
{
public:
    static constexpr int kMaxPoints = kMsegMaxPoints;
    static constexpr int kStepRange = 32; // step units across the width
    static constexpr int kTopStripHeight = 13;
    static constexpr int kCurveAreaTop = 17;
    static constexpr int kHandleHitSize = 14;
    // Snap table, step units: 0 none, 1 one step, 2 half a step, 3 a quarter step.
    static constexpr float TIME_SNAP_UNIT[4] = {0.0f, 1.0f, 0.5f, 0.25f};
    static constexpr int kDefaultSnap = 3;
    // New points land on this grid, step units.
    static constexpr float kAddGrid = 0.5f;

    enum GESTURE : int
    {
        kGestureNone = 0,
        kGesturePointDrag = 2,
        kGestureTensionDrag = 3,
        kGestureRemoving = 4,
    };

    static constexpr VSTGUI::CColor kFillColor = VSTGUI::CColor(255, 172, 72, 120);
    static constexpr VSTGUI::CColor kLineColor = VSTGUI::CColor(20, 20, 20, 150);
    static constexpr VSTGUI::CColor kHandleColor = VSTGUI::CColor(168, 168, 168, 255);
    static constexpr VSTGUI::CColor kShadeColor = VSTGUI::CColor(0, 0, 0, 100);

    // No points, snap 3, tensions and shuffle 0, drag mode off. `host` (may be null)
    // records an undo step at every press.
    CMsegControl(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
                 IModEditorHost* host = nullptr);
    CMsegControl(const CMsegControl& other);
    ~CMsegControl() override;

    // Clears the list, then appends points until a position of exactly -1 (at most
    // 64), each level shown as its square root, and sorts them by position (stable).
    // Nothing when any array is null.
    void Load(const float* positions, const float* levels, const float* tensions);
    // The same from / into a raw point block (64 x MSEG_POINT, 768 bytes); entries
    // beyond the last point are stored as (-1, 0, 0).
    void LoadBlock(const void* block);
    void StoreBlock(void* block) const;

    int GetNumPoints() const { return static_cast<int>(m_points.size()); }
    // For i outside the list: -1, 0, 0. Levels are the stored ones (squared).
    float GetPosition(int i) const;
    float GetLevel(int i) const;
    float GetTension(int i) const;
    // Position of point i as drawn, after shuffle (the envelope's own rule).
    float GetPosAt(long i) const;

    // Appends (level on the shown scale) and sorts; ignored at 64 points.
    void AddPoint(const MSEG_POINT& point);
    // Only 0 < i < count - 1.
    void RemovePoint(long i);

    // The point whose handle is under `where` (parent coordinates), or -1.
    long IsPointClicked(const VSTGUI::CPoint& where) const;
    // The point ending the segment under `where`'s x (index > 0), or -1.
    long IsCurveClicked(const VSTGUI::CPoint& where) const;
    // Rounds p down to the unit of snap `mode` (1..3; < 0: the control's snap).
    float QuantizePosition(float position, int mode = -1) const;
    float QuantizeLevel(float level) const { return level; }
    static bool _sort_predicate(const MSEG_POINT& a, const MSEG_POINT& b)
    {
        return a.position < b.position;
    }

    void SetSnap(int snap);
    int GetSnap() const { return m_snap; }
    // The global tension offset (-1..+0.5), added to every segment's tension.
    void SetGlobalTension(float offset) { m_globalTension = offset; setDirty(); }
    float GetGlobalTension() const { return m_globalTension; }
    // Sets the global tension from the scaled "Mod%d Tension" (what the editor holds).
    void SetTensionParameter(float scaled) { SetGlobalTension(TensionOffsetFromScaled(scaled)); }
    // The audio's mapping of the scaled "Mod%d Tension": -1 at 0, -0.5 at 0.5, +0.5 at 1.
    static float TensionOffsetFromScaled(float scaled);
    void SetShuffle(float shuffle);
    float GetShuffle() const { return m_shuffle; }
    void SetDragMode(bool dragMode) { m_dragMode = dragMode; }
    bool GetDragMode() const { return m_dragMode; }
    void SetCursor(float position);
    // The top strip's cell of step unit `unit`, where the cursor shades it (parent
    // coordinates).
    VSTGUI::CRect CursorCellRect(double unit) const;
    float GetCursor() const { return m_cursor; }

    // Every shown level becomes 1 - level; the listener hears it.
    void Invert();
    void NotifyListener();
    void RedrawControl();

    // Display coordinates of point i (parent coordinates).
    VSTGUI::CPoint GetPointDisplay(long i) const;
    VSTGUI::CRect GetCurveArea() const;
    long long GetPixelsPerStep() const { return m_pxPerStep; }
    int GetGesture() const { return m_gesture; }

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CMsegControl(*this); }

private:
    // 2 x floor(x / 2): display x on even pixels.
    static double _guantize_gui(double x);
    void SortPoints();
    void DragPoint(const VSTGUI::CPoint& where);
    void DragTension(const VSTGUI::CPoint& where);

    IModEditorHost* m_host;
    std::vector<MSEG_POINT> m_points; // level on the shown scale
    int m_snap = kDefaultSnap;
    float m_globalTension = 0.0f;
    float m_shuffle = 0.0f;
    bool m_dragMode = false;
    long long m_pxPerStep;
    float m_cursor = 0.0f;
    VSTGUI::CFontDesc* m_font; // owned (one reference)
    bool m_pressed = false;
    long m_pressButtons = 0;
    int m_gesture = kGestureNone;
    long long m_hitIndex = -1;
    VSTGUI::CPoint m_pressPoint;
    float m_pressLevel = 0.0f;
    float m_pressPosition = 0.0f;
    float m_pressTension = 0.0f;
    // Positions of every point at the press (a ripple moves them from there).
    std::vector<float> m_pressPositions;
};
