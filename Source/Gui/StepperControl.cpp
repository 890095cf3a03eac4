#include "StepperControl.h"

#include "Gui/ModEditorHost.h"
#include "Gui/PlayCursor.h"
#include "Processing/Modulators/StepClock.h"
#include "vstgui/DrawContext.h"
#include "vstgui/Font.h"
#include "vstgui/GraphicsPath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace VSTGUI;

namespace
{
float Clamp01(float value)
{
    if (!(value >= 0.0f))
        return 0.0f;
    return value > 1.0f ? 1.0f : value;
}
} // namespace

CStepperControl::CStepperControl(const CRect& size, CControlListener* listener, long tag,
                                 IModEditorHost* host)
    : CControl(size, listener, tag), m_host(host),
      m_cellWidth(static_cast<long long>(size.getWidth()) / kMaxSteps),
      m_font(new CFontDesc("Arial", 10.0))
{
}

CStepperControl::CStepperControl(const CStepperControl& other)
    : CControl(other), m_host(other.m_host), m_length(other.m_length),
      m_shuffle(other.m_shuffle), m_cursor(other.m_cursor), m_cellWidth(other.m_cellWidth),
      m_font(other.m_font)
{
    std::copy(other.m_steps, other.m_steps + kMaxSteps, m_steps);
    m_font->remember();
}

CStepperControl::~CStepperControl()
{
    m_font->forget();
}

void CStepperControl::Load(const float* positions, const float* levels)
{
    if (!positions || !levels)
        return;
    for (STEP& step : m_steps)
        step = STEP();
    for (int i = 0; i < kMaxSteps; ++i)
    {
        if (positions[i] == -1.0f)
            break;
        // A value that is not finite would poison every comparison: it shows as unused.
        m_steps[i].position = std::isfinite(positions[i]) ? positions[i] : 0.0f;
        m_steps[i].level = std::sqrt(Clamp01(levels[i]));
    }
    setDirty();
}

void CStepperControl::LoadBlock(const void* block)
{
    if (!block)
        return;
    float positions[kMaxSteps];
    float levels[kMaxSteps];
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (int i = 0; i < kMaxSteps; ++i)
    {
        std::memcpy(&positions[i], bytes + 8 * i, sizeof(float));
        std::memcpy(&levels[i], bytes + 8 * i + 4, sizeof(float));
    }
    Load(positions, levels);
}

void CStepperControl::StoreBlock(void* block) const
{
    if (!block)
        return;
    auto* bytes = static_cast<unsigned char*>(block);
    for (int i = 0; i < kMaxSteps; ++i)
    {
        const float position = GetPosition(i);
        const float level = GetLevel(i);
        std::memcpy(bytes + 8 * i, &position, sizeof(float));
        std::memcpy(bytes + 8 * i + 4, &level, sizeof(float));
    }
}

void CStepperControl::SetLength(int length)
{
    m_length = std::clamp(length, kMinLength, kMaxSteps);
    setDirty();
}

void CStepperControl::SetShuffle(float shuffle)
{
    m_shuffle = shuffle;
    setDirty();
}

void CStepperControl::SetCursor(float position)
{
    MovePlayCursor(*this, m_cursor, position, kMaxSteps,
                   [this](float unit) { return CursorCellRect(unit); });
}

CRect CStepperControl::CursorCellRect(float unit) const
{
    // The shaded cell drawn by draw(), with a pixel around it for anti-aliasing.
    const double cell = static_cast<double>(m_cellWidth);
    return CRect(m_size.left + unit * cell, m_size.top, m_size.left + (unit + 1) * cell + 1,
                 m_size.top + 17);
}

float CStepperControl::GetPosition(int i) const
{
    if (i < 0 || i >= kMaxSteps)
        return -1.0f;
    return m_steps[i].position;
}

float CStepperControl::GetLevel(int i) const
{
    if (i < 0 || i >= kMaxSteps)
        return 0.0f;
    return m_steps[i].level * m_steps[i].level;
}

float CStepperControl::GetPosAt(long i) const
{
    if (i < 0 || i >= kMaxSteps)
        return -1.0f;
    const float p = m_steps[i].position;
    // The stepper's rule: the first and last steps, ends on an odd unit and no shuffle stay.
    if (i == 0 || i == kMaxSteps - 1 || StepClock::IsOddWhole(p) || !(m_shuffle > 0.0f))
        return p;
    const float shifted = p + 0.99f * m_shuffle;
    float bound = static_cast<float>(kMaxSteps);
    for (long j = i + 1; j < kMaxSteps; ++j)
    {
        if (m_steps[j].position > shifted)
        {
            bound = m_steps[j].position;
            break;
        }
    }
    // A following step longer than one unit keeps the boundary where it is.
    float result = (bound - p > 1.0f) ? p : shifted;
    if (result > bound)
        result = bound;
    return std::max(result, -1000.0f);
}

bool CStepperControl::IsStepInUse(int i) const
{
    if (i < 0 || i >= kMaxSteps)
        return false;
    float largest = 0.0f;
    for (int j = 0; j < i; ++j)
        largest = std::max(largest, m_steps[j].position);
    return m_steps[i].position > largest;
}

void CStepperControl::Invert()
{
    for (STEP& step : m_steps)
        step.level = 1.0f - step.level;
    NotifyListener();
    setDirty();
}

void CStepperControl::NotifyListener()
{
    if (m_listener)
        m_listener->valueChanged(this);
}

void CStepperControl::RedrawControl()
{
    setDirty();
}

CRect CStepperControl::GetStepArea() const
{
    return CRect(m_size.left, m_size.top + kStepAreaTop, m_size.right, m_size.bottom - 1);
}

CRect CStepperControl::GetLengthStrip() const
{
    return CRect(m_size.left, m_size.top, m_size.right, m_size.top + kLengthStripHeight);
}

float CStepperControl::LevelAt(CCoord y) const
{
    const CRect area = GetStepArea();
    if (area.getHeight() <= 0.0)
        return 0.0f;
    return Clamp01(static_cast<float>(1.0 - (y - area.top) / area.getHeight()));
}

long CStepperControl::CursorToHandleIndex(const CPoint& where) const
{
    const CRect area = GetStepArea();
    const double half = kHandleHitSize / 2.0;
    float largest = 0.0f;
    for (int i = 0; i < kMaxSteps; ++i)
    {
        const STEP& step = m_steps[i];
        if (!(step.position > largest))
            continue;
        largest = step.position;
        if (step.position > static_cast<float>(m_length))
            continue;
        // The handle is grabbed where it is drawn (after shuffle).
        const double x = area.left + static_cast<double>(m_cellWidth) * GetPosAt(i);
        const double y = area.bottom - step.level * area.getHeight();
        if (std::fabs(where.x - x) <= half && std::fabs(where.y - y) <= half)
            return i;
    }
    return -1;
}

long CStepperControl::CursorToCellIndex(const CPoint& where) const
{
    const CRect area = GetStepArea();
    float largest = 0.0f;
    for (int i = 0; i < kMaxSteps; ++i)
    {
        const STEP& step = m_steps[i];
        if (!(step.position > largest))
            continue;
        largest = step.position;
        const float end = std::min(step.position, static_cast<float>(m_length));
        const double right = area.left + std::trunc(static_cast<double>(m_cellWidth) * end);
        if (right > where.x)
            return i;
        if (step.position >= static_cast<float>(m_length))
            break;
    }
    return where.x < area.left ? 0 : -1;
}

void CStepperControl::draw(CDrawContext* context)
{
    const CRect area = GetStepArea();
    const double cell = static_cast<double>(m_cellWidth);
    context->saveGlobalState();

    // The playing step's cell in the length strip.
    const double playing = std::trunc(m_cursor);
    if (playing >= 0.0 && playing < m_length)
    {
        context->setFillColor(kShadeColor);
        context->drawRect(CRect(m_size.left + playing * cell + 1, m_size.top + 1,
                                m_size.left + (playing + 1) * cell, m_size.top + 16),
                          kDrawFilled);
    }

    // Bars: one outline along the tops of the steps in use, as drawn after shuffle.
    struct CORNER
    {
        double x, y;
    };
    CORNER corners[kMaxSteps];
    int cornerCount = 0;
    context->setDrawMode(kAntiAliasing);
    CGraphicsPath* path = context->createGraphicsPath();
    path->beginSubpath(CPoint(area.left, area.bottom + 2));
    double previousX = area.left;
    float largest = 0.0f;
    for (int i = 0; i < kMaxSteps; ++i)
    {
        const STEP& step = m_steps[i];
        if (!(step.position > largest))
            continue;
        largest = step.position;
        const float end = std::min(GetPosAt(i), static_cast<float>(m_length));
        const double x = area.left + std::trunc(cell * end);
        const double y = area.bottom - std::trunc(step.level * area.getHeight());
        path->addLine(CPoint(previousX, y));
        path->addLine(CPoint(x, y));
        path->addLine(CPoint(x, area.bottom));
        previousX = x;
        if (step.position <= static_cast<float>(m_length))
            corners[cornerCount++] = {x, y};
        if (step.position >= static_cast<float>(m_length))
            break;
    }
    path->addLine(CPoint(area.right, area.bottom));
    path->addLine(CPoint(area.right, area.bottom + 2));
    path->closeSubpath();
    context->setFillColor(kFillColor);
    context->drawGraphicsPath(path, CDrawContext::kPathFilled);
    context->setFrameColor(kLineColor);
    context->setLineWidth(1.0);
    context->drawGraphicsPath(path, CDrawContext::kPathStroked);
    path->forget();

    // Handles at the top right corner of every step within the length.
    context->setFillColor(kHandleColor);
    for (int c = 0; c < cornerCount; ++c)
    {
        const CRect handle(corners[c].x - 3, corners[c].y - 3, corners[c].x + 4,
                           corners[c].y + 4);
        context->drawEllipse(handle, kDrawFilledAndStroked);
    }

    // Everything right of the length is shaded.
    context->setFillColor(kShadeColor);
    context->drawRect(CRect(m_size.left + m_length * cell, m_size.top, m_size.right,
                            m_size.bottom),
                      kDrawFilled);
    context->restoreGlobalState();
    setDirty(false);
}

CMouseEventResult CStepperControl::onMouseDown(CPoint& where, const long& buttons)
{
    if (!(buttons & (kLButton | kRButton)))
        return kMouseEventNotHandled;
    if (m_host)
        m_host->AddStepperUndoItem();
    m_handleIndex = CursorToHandleIndex(where);
    m_cellIndex = CursorToCellIndex(where);
    m_draggingLength = GetLengthStrip().pointInside(where);
    m_erasing = (buttons & (kRButton | kApple)) != 0;
    m_lastPoint = where;
    m_pressed = true;
    // A click edits at once.
    Edit(where);
    return kMouseEventHandled;
}

CMouseEventResult CStepperControl::onMouseMoved(CPoint& where, const long& /*buttons*/)
{
    if (!m_pressed)
        return kMouseEventNotHandled;
    Edit(where);
    return kMouseEventHandled;
}

CMouseEventResult CStepperControl::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    if (!m_pressed)
        return kMouseEventNotHandled;
    m_pressed = false;
    m_handleIndex = -1;
    m_cellIndex = -1;
    m_draggingLength = false;
    m_erasing = false;
    return kMouseEventHandled;
}

void CStepperControl::Edit(const CPoint& where)
{
    if (m_draggingLength)
        DragLength(where);
    else if (m_handleIndex >= 0 && !m_erasing)
        DragHandle(where);
    else
        Paint(where);
    NotifyListener();
    setDirty();
    m_lastPoint = where;
}

void CStepperControl::DragLength(const CPoint& where)
{
    const double width = m_size.getWidth();
    if (width <= 0.0)
        return;
    const double units = std::trunc((where.x - m_size.left) * kMaxSteps / width);
    m_length = static_cast<int>(std::clamp(units, static_cast<double>(kMinLength),
                                           static_cast<double>(kMaxSteps)));
}

void CStepperControl::DragHandle(const CPoint& where)
{
    const double width = m_size.getWidth();
    if (width <= 0.0)
        return;
    STEP& step = m_steps[m_handleIndex];
    // The quarter-step grid under the mouse.
    float end = static_cast<float>(std::trunc((where.x - m_size.left) * kMaxSteps / width * 4.0) *
                                   kPositionGrid);
    // Not onto or before the step that ends before this one, nor beyond the length.
    float previous = 0.0f;
    for (long long j = 0; j < m_handleIndex; ++j)
    {
        if (m_steps[j].position <= step.position)
            previous = std::max(previous, m_steps[j].position);
    }
    end = std::max(end, previous + kPositionGrid);
    end = std::min(end, static_cast<float>(m_length));
    step.position = end;
    step.level = LevelAt(where.y);
}

void CStepperControl::Paint(const CPoint& where)
{
    long long cell = CursorToCellIndex(where);
    if (cell < 0)
        cell = m_cellIndex;
    if (cell < 0)
        return;
    const long long from = m_cellIndex >= 0 ? m_cellIndex : cell;
    const float level = m_erasing ? 0.0f : LevelAt(where.y);
    const float fromLevel = m_erasing ? 0.0f : LevelAt(m_lastPoint.y);
    // A fast move skips cells: every cell between the last one painted and this one gets
    // its share of a straight ramp from the last mouse level to this one, both ends
    // included, so the cell under the mouse gets the mouse's level.
    const long long low = std::min(cell, from);
    const long long high = std::max(cell, from);
    const float lowLevel = cell <= from ? level : fromLevel;
    const float highLevel = cell <= from ? fromLevel : level;
    const long long count = high - low + 1;
    if (count == 1)
    {
        m_steps[cell].level = level;
    }
    else
    {
        for (long long k = 0; k < count; ++k)
        {
            const float t = static_cast<float>(k) / static_cast<float>(count - 1);
            m_steps[low + k].level = Clamp01((1.0f - t) * lowLevel + t * highLevel);
        }
    }
    m_cellIndex = cell;
}

bool CStepperControl::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CStepperControl") || CControl::isTypeOf(type);
}
