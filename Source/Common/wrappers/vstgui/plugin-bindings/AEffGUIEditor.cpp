#include "AEffGUIEditor.h"

#include "vst2sdk/AudioEffectX.h"
#include "vstgui/Frame.h"
#include "vstgui/PlatformFrame.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
VstInt16 ToRectCoordinate(double value)
{
    const double rounded = std::lround(value);
    return static_cast<VstInt16>(rounded < 0.0 ? 0.0 : (rounded > 32767.0 ? 32767.0 : rounded));
}
} // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {}

AEffGUIEditor::~AEffGUIEditor()
{
    if (m_frame)
    {
        m_frame->close();
        m_frame->forget();
        m_frame = nullptr;
    }
}

double AEffGUIEditor::ForcedScale()
{
    if (const char* text = std::getenv("MORVEX_UI_SCALE"))
    {
        char* end = nullptr;
        const double scale = std::strtod(text, &end);
        if (end != text && (scale == 1.0 || scale == 1.5 || scale == 2.0))
            return scale;
    }
    return 0.0;
}

double AEffGUIEditor::ResolveScale()
{
    if (const double forced = ForcedScale(); forced > 0.0)
        return forced;
    // Asking the desktop means a connection to the X server: hosts ask for the rectangle
    // many times (some on every idle), so the answer is kept until the next open.
    if (!(m_desktopScale > 0.0))
    {
        const double desktop = ReadDesktopScale();
        m_desktopScale = !(desktop >= 1.0) ? 1.0 : (desktop > 2.0 ? 2.0 : desktop);
    }
    return m_desktopScale;
}

double AEffGUIEditor::ReadDesktopScale()
{
    return VSTGUI::GetDesktopScaleFactor();
}

void AEffGUIEditor::SetLogicalSize(int width, int height)
{
    m_rect.top = 0;
    m_rect.left = 0;
    m_rect.right = ToRectCoordinate(width);
    m_rect.bottom = ToRectCoordinate(height);
}

void AEffGUIEditor::GetLogicalSize(int& width, int& height)
{
    width = m_rect.right - m_rect.left;
    height = m_rect.bottom - m_rect.top;
}

bool AEffGUIEditor::getRect(ERect** rect)
{
    if (!rect)
        return false;
    PrepareSize();
    // While open the window's own scale counts; before, the one it will open at.
    const double scale = m_windowOpen ? m_scale : ResolveScale();
    m_scaledRect.top = 0;
    m_scaledRect.left = 0;
    m_scaledRect.right = ToRectCoordinate((m_rect.right - m_rect.left) * scale);
    m_scaledRect.bottom = ToRectCoordinate((m_rect.bottom - m_rect.top) * scale);
    *rect = &m_scaledRect;
    return m_scaledRect.right > 0 && m_scaledRect.bottom > 0;
}

bool AEffGUIEditor::open(void* parent)
{
    AEffEditor::open(parent);
    PrepareSize();
    // The desktop may have changed its scale since the editor last opened.
    m_desktopScale = 0.0;
    if (!OpenOnParent(parent, ResolveScale()))
    {
        AEffEditor::close();
        return false;
    }
    return true;
}

void AEffGUIEditor::close()
{
    CloseWindow();
    AEffEditor::close();
}

bool AEffGUIEditor::isOpen()
{
    return m_windowOpen;
}

void AEffGUIEditor::idle()
{
    IdleWindow();
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode)
{
    m_toolkitSide.setKnobMode(static_cast<int>(mode));
    return true;
}

void AEffGUIEditor::beginEdit(long index)
{
    if (auto* effect = dynamic_cast<AudioEffectX*>(getEffect()))
        effect->beginEdit(static_cast<VstInt32>(index));
}

void AEffGUIEditor::endEdit(long index)
{
    if (auto* effect = dynamic_cast<AudioEffectX*>(getEffect()))
        effect->endEdit(static_cast<VstInt32>(index));
}

void AEffGUIEditor::doIdleStuff()
{
    IdleWindow();
}

bool AEffGUIEditor::OpenOnParent(void* /*parent*/, double scale)
{
    m_scale = scale;
    m_windowOpen = true;
    return true;
}

bool AEffGUIEditor::OpenOffscreen(double scale)
{
    PrepareSize();
    m_scale = scale;
    m_windowOpen = true;
    return true;
}

void AEffGUIEditor::CloseWindow()
{
    if (m_frame)
    {
        m_frame->close();
        m_frame->forget();
        m_frame = nullptr;
    }
    m_windowOpen = false;
}

void AEffGUIEditor::IdleWindow()
{
    if (m_frame)
        m_frame->idle();
}
