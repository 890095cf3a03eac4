#include "MsegControl.h"

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
float Clamp(float value, float low, float high)
{
    if (!(value >= low))
        return low;
    return value > high ? high : value;
}
} // namespace

CMsegControl::CMsegControl(const CRect& size, CControlListener* listener, long tag,
                           IModEditorHost* host)
    : CControl(size, listener, tag), m_host(host),
      m_pxPerStep(static_cast<long long>(size.getWidth()) / kStepRange),
      m_font(new CFontDesc("Arial", 10.0))
{
    m_points.reserve(kMaxPoints);
}

CMsegControl::CMsegControl(const CMsegControl& other)
    : CControl(other), m_host(other.m_host), m_points(other.m_points), m_snap(other.m_snap),
      m_globalTension(other.m_globalTension), m_shuffle(other.m_shuffle),
      m_dragMode(other.m_dragMode), m_pxPerStep(other.m_pxPerStep), m_cursor(other.m_cursor),
      m_font(other.m_font)
{
    m_font->remember();
}

CMsegControl::~CMsegControl()
{
    m_font->forget();
}

void CMsegControl::Load(const float* positions, const float* levels, const float* tensions)
{
    if (!positions || !levels || !tensions)
        return;
    m_points.clear();
    for (int i = 0; i < kMaxPoints; ++i)
    {
        // The envelope ends its list at the first negative position (and cannot use a
        // position that is not finite): the editor shows the points it plays.
        if (!(positions[i] >= 0.0f) || !std::isfinite(positions[i]))
            break;
        MSEG_POINT point;
        point.position = positions[i];
        point.level = std::sqrt(Clamp(levels[i], 0.0f, 1.0f));
        point.tension = std::isfinite(tensions[i]) ? Clamp(tensions[i], -1.0f, 1.0f) : 0.0f;
        m_points.push_back(point);
    }
    SortPoints();
    setDirty();
}

void CMsegControl::LoadBlock(const void* block)
{
    if (!block)
        return;
    float positions[kMaxPoints];
    float levels[kMaxPoints];
    float tensions[kMaxPoints];
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (int i = 0; i < kMaxPoints; ++i)
    {
        std::memcpy(&positions[i], bytes + 12 * i, sizeof(float));
        std::memcpy(&levels[i], bytes + 12 * i + 4, sizeof(float));
        std::memcpy(&tensions[i], bytes + 12 * i + 8, sizeof(float));
    }
    Load(positions, levels, tensions);
}

void CMsegControl::StoreBlock(void* block) const
{
    if (!block)
        return;
    auto* bytes = static_cast<unsigned char*>(block);
    for (int i = 0; i < kMaxPoints; ++i)
    {
        const float values[3] = {GetPosition(i), GetLevel(i), GetTension(i)};
        std::memcpy(bytes + 12 * i, values, sizeof(values));
    }
}

float CMsegControl::GetPosition(int i) const
{
    if (i < 0 || i >= GetNumPoints())
        return -1.0f;
    return m_points[static_cast<size_t>(i)].position;
}

float CMsegControl::GetLevel(int i) const
{
    if (i < 0 || i >= GetNumPoints())
        return 0.0f;
    const float shown = m_points[static_cast<size_t>(i)].level;
    return shown * shown;
}

float CMsegControl::GetTension(int i) const
{
    if (i < 0 || i >= GetNumPoints())
        return 0.0f;
    return m_points[static_cast<size_t>(i)].tension;
}

float CMsegControl::GetPosAt(long i) const
{
    const long available = GetNumPoints();
    if (i < 0 || i >= available)
        return -1.0f;
    // The envelope's rule: with all 64 points there is no end marker and no shuffle.
    const long count = available == kMaxPoints ? 1 : available;
    const float p = m_points[static_cast<size_t>(i)].position;
    if (i >= count - 1 || i < 1 || !StepClock::IsOddWhole(p) || !(m_shuffle > 0.0f))
        return p;
    const float loopLength = m_points.back().position;
    float bound = loopLength;
    for (long j = i + 1; j < count; ++j)
    {
        if (m_points[static_cast<size_t>(j)].position > p)
        {
            bound = m_points[static_cast<size_t>(j)].position;
            break;
        }
    }
    float result = std::min(p + m_shuffle, bound);
    result = std::min(result, loopLength);
    return std::max(result, -1000.0f);
}

void CMsegControl::SortPoints()
{
    std::stable_sort(m_points.begin(), m_points.end(), _sort_predicate);
}

void CMsegControl::AddPoint(const MSEG_POINT& point)
{
    if (GetNumPoints() >= kMaxPoints)
        return;
    m_points.push_back(point);
    SortPoints();
    NotifyListener();
    setDirty();
}

void CMsegControl::RemovePoint(long i)
{
    if (i <= 0 || i >= GetNumPoints() - 1)
        return;
    m_points.erase(m_points.begin() + i);
    SortPoints();
    NotifyListener();
    setDirty();
}

double CMsegControl::_guantize_gui(double x)
{
    return 2.0 * std::floor(x / 2.0);
}

CRect CMsegControl::GetCurveArea() const
{
    return CRect(m_size.left, m_size.top + kCurveAreaTop, m_size.right, m_size.bottom - 1);
}

CPoint CMsegControl::GetPointDisplay(long i) const
{
    const CRect area = GetCurveArea();
    if (i < 0 || i >= GetNumPoints())
        return CPoint(area.left, area.bottom);
    const double x =
        area.left + _guantize_gui(std::trunc(static_cast<double>(m_pxPerStep) * GetPosAt(i)));
    const double y = area.bottom - m_points[static_cast<size_t>(i)].level * area.getHeight();
    return CPoint(x, y);
}

long CMsegControl::IsPointClicked(const CPoint& where) const
{
    const double half = kHandleHitSize / 2.0;
    for (long i = 0; i < GetNumPoints(); ++i)
    {
        const CPoint point = GetPointDisplay(i);
        if (std::fabs(where.x - point.x) <= half && std::fabs(where.y - point.y) <= half)
            return i;
    }
    return -1;
}

long CMsegControl::IsCurveClicked(const CPoint& where) const
{
    for (long i = 0; i < GetNumPoints(); ++i)
    {
        if (GetPointDisplay(i).x > where.x)
            return i > 0 ? i : -1;
    }
    return -1;
}

float CMsegControl::QuantizePosition(float position, int mode) const
{
    if (mode < 0)
        mode = m_snap;
    if (mode < 1 || mode > 3)
        return position;
    const float unit = TIME_SNAP_UNIT[mode];
    return std::floor(position / unit) * unit;
}

void CMsegControl::SetSnap(int snap)
{
    m_snap = std::clamp(snap, 0, 3);
}

float CMsegControl::TensionOffsetFromScaled(float scaled)
{
    // As the modulation matrix hands it to the envelope: -100 % .. 0 % .. +100 % gives
    // -1 .. -0.5 .. +0.5.
    const float t = 2.0f * Clamp(scaled, 0.0f, 1.0f) - 1.0f;
    return t >= 0.0f ? t - 0.5f : 0.5f * t - 0.5f;
}

void CMsegControl::SetShuffle(float shuffle)
{
    m_shuffle = shuffle;
    setDirty();
}

void CMsegControl::SetCursor(float position)
{
    MovePlayCursor(*this, m_cursor, position, kStepRange,
                   [this](float unit) { return CursorCellRect(unit); });
}

CRect CMsegControl::CursorCellRect(double unit) const
{
    // The shaded cell drawn by draw(), with a pixel around it for anti-aliasing.
    const CRect area = GetCurveArea();
    const double px = static_cast<double>(m_pxPerStep);
    return CRect(area.left + _guantize_gui(std::trunc(px * unit)), m_size.top,
                 area.left + _guantize_gui(std::trunc(px * (unit + 1.0))) + 1, m_size.top + 17);
}

void CMsegControl::Invert()
{
    for (MSEG_POINT& point : m_points)
        point.level = 1.0f - point.level;
    NotifyListener();
    setDirty();
}

void CMsegControl::NotifyListener()
{
    if (m_listener)
        m_listener->valueChanged(this);
}

void CMsegControl::RedrawControl()
{
    setDirty();
}

void CMsegControl::draw(CDrawContext* context)
{
    const CRect area = GetCurveArea();
    const double px = static_cast<double>(m_pxPerStep);
    context->saveGlobalState();

    // The step unit under the play cursor, in the top strip.
    const double playing = std::trunc(m_cursor);
    if (playing >= 0.0 && playing < kStepRange)
    {
        const double left = area.left + _guantize_gui(std::trunc(px * playing));
        const double right = area.left + _guantize_gui(std::trunc(px * (playing + 1.0)));
        context->setFillColor(kShadeColor);
        context->drawRect(CRect(left + 1, m_size.top + 1, right, m_size.top + 16), kDrawFilled);
    }

    // The curve: each segment a cubic Bezier with both control points at one place,
    // pulled towards the end's x and the start's level as the bend grows.
    context->setDrawMode(kAntiAliasing);
    CGraphicsPath* path = context->createGraphicsPath();
    CPoint previous(area.left, area.bottom + 2);
    path->beginSubpath(previous);
    for (long i = 0; i < GetNumPoints(); ++i)
    {
        const CPoint point = GetPointDisplay(i);
        const double tau = Clamp(m_globalTension + m_points[static_cast<size_t>(i)].tension,
                                 -1.0f, 1.0f);
        const CPoint control((point.x + previous.x) / 2 + (point.x - previous.x) * tau / 2,
                             (point.y + previous.y) / 2 - (point.y - previous.y) * tau / 2);
        path->addBezierCurve(control, control, point);
        previous = point;
    }
    path->addLine(CPoint(previous.x, area.bottom + 2));
    path->addLine(CPoint(area.right, area.bottom + 2));
    path->closeSubpath();
    context->setFillColor(kFillColor);
    context->drawGraphicsPath(path, CDrawContext::kPathFilled);
    context->setFrameColor(kLineColor);
    context->setLineWidth(1.0);
    context->drawGraphicsPath(path, CDrawContext::kPathStroked);
    path->forget();

    context->setFillColor(kHandleColor);
    for (long i = 0; i < GetNumPoints(); ++i)
    {
        const CPoint point = GetPointDisplay(i);
        context->drawEllipse(CRect(point.x - 3, point.y - 3, point.x + 4, point.y + 4),
                             kDrawFilledAndStroked);
    }
    context->restoreGlobalState();
    setDirty(false);
}

CMouseEventResult CMsegControl::onMouseDown(CPoint& where, const long& buttons)
{
    if (!(buttons & (kLButton | kRButton)))
        return kMouseEventNotHandled;
    if (m_host)
        m_host->AddMsegUndoItem();
    m_pressPoint = where;
    m_pressButtons = buttons;
    m_gesture = kGestureNone;
    m_hitIndex = -1;
    m_pressed = true;

    const bool context = (buttons & (kRButton | kApple)) != 0;
    if (!context)
    {
        if (where.y < m_size.top + kTopStripHeight)
            return kMouseEventHandled;
        const long point = IsPointClicked(where);
        if (point >= 0)
        {
            m_gesture = kGesturePointDrag;
            m_hitIndex = point;
            const MSEG_POINT& hit = m_points[static_cast<size_t>(point)];
            m_pressPosition = hit.position;
            m_pressLevel = hit.level;
            m_pressTension = hit.tension;
            m_pressPositions.clear();
            for (const MSEG_POINT& p : m_points)
                m_pressPositions.push_back(p.position);
            return kMouseEventHandled;
        }
        const long segment = IsCurveClicked(where);
        if (segment > 0)
        {
            if (buttons & kDoubleClick)
            {
                m_points[static_cast<size_t>(segment)].tension = 0.0f;
                NotifyListener();
                setDirty();
                return kMouseEventHandled;
            }
            m_gesture = kGestureTensionDrag;
            m_hitIndex = segment;
            m_pressTension = m_points[static_cast<size_t>(segment)].tension;
        }
        return kMouseEventHandled;
    }

    const long point = IsPointClicked(where);
    if (point >= 0)
    {
        RemovePoint(point);
        m_gesture = kGestureRemoving;
        return kMouseEventHandled;
    }
    const CRect area = GetCurveArea();
    MSEG_POINT added;
    const double steps = m_pxPerStep > 0 ? (where.x - m_size.left) / m_pxPerStep : 0.0;
    added.position = QuantizePosition(Clamp(static_cast<float>(steps), 0.0f, kStepRange), 2);
    added.level = area.getHeight() > 0.0
                      ? Clamp(static_cast<float>(1.0 - (where.y - area.top) / area.getHeight()),
                              0.0f, 1.0f)
                      : 0.0f;
    added.tension = 0.0f;
    AddPoint(added);
    return kMouseEventHandled;
}

CMouseEventResult CMsegControl::onMouseMoved(CPoint& where, const long& /*buttons*/)
{
    if (!m_pressed)
        return kMouseEventNotHandled;
    if (m_gesture == kGesturePointDrag && m_hitIndex >= 0 && m_hitIndex < GetNumPoints())
    {
        DragPoint(where);
        NotifyListener();
        setDirty();
    }
    else if (m_gesture == kGestureTensionDrag && m_hitIndex > 0 && m_hitIndex < GetNumPoints())
    {
        DragTension(where);
        NotifyListener();
        setDirty();
    }
    else if (m_gesture == kGestureRemoving && (m_pressButtons & (kRButton | kApple)))
    {
        RemovePoint(IsPointClicked(where));
    }
    return kMouseEventHandled;
}

CMouseEventResult CMsegControl::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    if (!m_pressed)
        return kMouseEventNotHandled;
    m_pressed = false;
    return kMouseEventHandled;
}

void CMsegControl::DragPoint(const CPoint& where)
{
    const CRect area = GetCurveArea();
    const size_t i = static_cast<size_t>(m_hitIndex);
    const size_t last = m_points.size() - 1;
    MSEG_POINT& point = m_points[i];
    if (area.getHeight() > 0.0)
    {
        const double dy = where.y - m_pressPoint.y;
        point.level = Clamp(static_cast<float>(m_pressLevel - dy / area.getHeight()), 0.0f, 1.0f);
    }
    // The loop start stays at its place.
    if (i == 0 || m_pxPerStep <= 0 || m_pressPositions.size() != m_points.size())
        return;
    const double dx = where.x - m_pressPoint.x;
    float position = Clamp(static_cast<float>(m_pressPosition + dx / m_pxPerStep), 0.0f,
                           static_cast<float>(kStepRange));
    position = QuantizePosition(position);
    position = std::max(position, m_points[i - 1].position);
    if (m_dragMode || i == last)
    {
        if (m_dragMode && i < last)
            position = std::min(position, m_points[i + 1].position);
        point.position = position;
        return;
    }
    // Ripple: the later points move along by the same amount, and the last one stops at
    // the end of the range (holding the dragged one back with it).
    float delta = position - m_pressPosition;
    const float lastLimit = static_cast<float>(kStepRange) - m_pressPositions[last];
    if (delta > lastLimit)
        delta = lastLimit;
    point.position = std::max(m_pressPosition + delta, m_points[i - 1].position);
    delta = point.position - m_pressPosition;
    for (size_t j = i + 1; j <= last; ++j)
        m_points[j].position = Clamp(m_pressPositions[j] + delta, 0.0f, kStepRange);
}

void CMsegControl::DragTension(const CPoint& where)
{
    const CRect area = GetCurveArea();
    if (area.getHeight() <= 0.0)
        return;
    const size_t i = static_cast<size_t>(m_hitIndex);
    // Dragging down bends the segment down, whether it rises or falls.
    const float direction = m_points[i - 1].level > m_points[i].level ? -1.0f : 1.0f;
    const double dy = where.y - m_pressPoint.y;
    m_points[i].tension =
        Clamp(static_cast<float>(m_pressTension + dy * direction / area.getHeight()), -1.0f, 1.0f);
}

bool CMsegControl::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CMsegControl") || CControl::isTypeOf(type);
}
