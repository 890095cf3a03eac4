// A level meter in decibels: takes a linear level (1.0 = 0 dBFS) and shows it on
// the toolkit's segment meter between a minimum and a maximum in dB (the editor's:
// -48 .. +8 dB). Falling speed is the toolkit meter's. User-interface thread.
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

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CDecibelMeter(*this); }

private:
    float m_maximumDb;
    float m_minimumDb;
    bool m_inverse;
};
