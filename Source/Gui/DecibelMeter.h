// A level meter in decibels: takes a linear level (1.0 = 0 dBFS) and shows it on
// the toolkit's segment meter between a minimum and a maximum in dB (the editor's:
// -48 .. +8 dB). The meter rises at once and falls by one step per level given (one per
// editor idle); it asks for a paint only when the number of lit segments changes, so a
// steady or silent signal costs no drawing. User-interface thread.
#pragma once

#include "vstgui/VuMeter.h"

class CDecibelMeter : public VSTGUI::CVuMeter
{
public:
    CDecibelMeter(const VSTGUI::CRect& size, VSTGUI::CBitmap* onBitmap, VSTGUI::CBitmap* offBitmap,
                  int segments, float maximumDb, float minimumDb, bool inverse = false,
                  long style = kVertical);
    CDecibelMeter(const CDecibelMeter& other) = default;

    // `level` linear (not dB); 0, negatives and NaN read as the minimum.
    void setValue(float level) override;
    // Position 0..1 on the meter for a linear level.
    float LevelToPosition(float level) const;
    // How far (0..1 of the scale) the shown level falls per level given; 0.1 unless set.
    void SetFallStep(float step) { m_fallStep = step > 0.0f ? step : 0.0f; }
    // Lit segments for a shown position 0..1, as the toolkit meter paints them.
    int SegmentsFor(float position) const;
    // The falling position 0..1; the value painted moves to it a segment at a time.
    float GetShownPosition() const { return m_shown; }

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CDecibelMeter(*this); }

private:
    float m_maximumDb;
    float m_minimumDb;
    bool m_inverse;
    float m_fallStep = 0.1f;
    float m_shown = 0.0f;
};
