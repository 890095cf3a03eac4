// A level meter of nbLed segments: the off bitmap, then the lit part of the on bitmap covering
// whole segments (bottom-up for kVertical, left to right for kHorizontal). The shown level
// rises to the value at once and falls by the decrease step per paint (setDecreaseStepValue);
// while it is falling the meter stays dirty, so it keeps falling on each idle. The value is
// 0..1. UI thread only (except setValue).
#pragma once

#include "Control.h"

namespace VSTGUI
{

class CVuMeter : public CControl
{
public:
    enum
    {
        kHorizontal = 1 << 0,
        kVertical = 1 << 1,
    };

    CVuMeter(const CRect& size, CBitmap* onBitmap, CBitmap* offBitmap, int nbLed,
             long style = kVertical);
    CVuMeter(const CVuMeter& other);
    ~CVuMeter() override;

    void draw(CDrawContext* context) override;

    void setDecreaseStepValue(float step)
    {
        m_decreaseStep = step > 0.0f ? step : 0.0f;
    }
    float getDecreaseStepValue() const
    {
        return m_decreaseStep;
    }
    void setOnBitmap(CBitmap* bitmap);
    void setOffBitmap(CBitmap* bitmap);
    int getNbLed() const
    {
        return m_nbLed;
    }
    // The level shown at the last paint (0..1) and its lit segments.
    float getShownValue() const
    {
        return m_shownValue;
    }
    int getLitSegments() const;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CVuMeter(*this);
    }

private:
    CBitmap* m_onBitmap = nullptr;
    CBitmap* m_offBitmap = nullptr;
    int m_nbLed;
    long m_style;
    float m_decreaseStep = 0.1f;
    float m_shownValue = 0.0f;
};

} // namespace VSTGUI
