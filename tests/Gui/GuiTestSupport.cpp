#include "GuiTestSupport.h"

#include "Common/wrappers/BaseReadOut.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "vstgui/MenuOverlay.h"
#include "vstgui/Resources.h"

#include <cairo.h>

#include <algorithm>
#include <string>

using namespace VSTGUI;

namespace GuiTest
{
namespace
{
struct TEST_IMAGE
{
    const char* name;
    int width, height;
    double red, green, blue;
};

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// A PNG of `image`'s size: a flat colour with a lighter band every 20 rows, so that
// film-strip frames differ.
std::vector<unsigned char> MakePng(const TEST_IMAGE& image)
{
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, image.red, image.green, image.blue);
    cairo_paint(cr);
    for (int y = 0; y < image.height; y += 20)
    {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.2);
        cairo_rectangle(cr, 0, y, image.width, 2);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(surface, &AppendPng, &bytes);
    cairo_surface_destroy(surface);
    return bytes;
}

bool RecordAlert(const char* title, const char* message, bool /*withCancel*/)
{
    CAlertRecorder::s_alerts.push_back(std::string(title) + "|" + message);
    return true;
}

void ClickMenuRow(CFrame* frame, void* data)
{
    CMenuOverlay* overlay = frame->GetModalOverlay();
    if (!overlay)
        return;
    const int row = static_cast<int>(reinterpret_cast<intptr_t>(data));
    const CPoint centre = overlay->GetItemRect(0, row).getCenter();
    for (CSyntheticEvent::Type type : {CSyntheticEvent::kMouseDown, CSyntheticEvent::kMouseUp})
    {
        CSyntheticEvent event;
        event.type = type;
        event.where = centre;
        event.buttons = kLButton;
        frame->queueSyntheticEvent(event);
    }
}
} // namespace

void RegisterTestArtwork()
{
    static const TEST_IMAGE kImages[] = {
        {kBackground, 300, 200, 0.1, 0.1, 0.12},
        {kKnobStrip, 20, 20 * kKnobFrames, 0.3, 0.5, 0.7},
        {kSwitchStrip, 30, 10 * kSwitchPositions, 0.6, 0.3, 0.2},
        {kButtonStrip, 20, 20, 0.2, 0.6, 0.3},
        {kHandle, 10, 10, 0.8, 0.8, 0.8},
    };
    constexpr int kCount = sizeof(kImages) / sizeof(kImages[0]);
    static std::vector<unsigned char> s_bytes[kCount];
    static RESOURCE_ENTRY s_entries[kCount];
    static bool s_made = false;
    if (!s_made)
    {
        for (int i = 0; i < kCount; ++i)
        {
            s_bytes[i] = MakePng(kImages[i]);
            s_entries[i] = {kImages[i].name, 1, s_bytes[i].data(), s_bytes[i].size()};
        }
        s_made = true;
    }
    RegisterResources(s_entries, kCount);
}

float Scaled(CBaseEffect* effect, int id)
{
    return effect->GetParameterScaled(id, false, false, 0);
}

float Unscaled(CBaseEffect* effect, int id)
{
    return effect->GetParameterUnscaled(id, false, false, 0);
}

std::vector<uint8_t> Block(CBaseEffect* effect, int id)
{
    const uint8_t* data = effect->GetRawParameterBlock(id);
    return std::vector<uint8_t>(data, data + effect->GetRawParameterBlockSize(id));
}

void Route(CBaseEffect* effect, int slot, int source, int target, float depthPercent)
{
    effect->SetParameterUnscaled(MorvexParam::kMtxSource + slot, static_cast<float>(source));
    effect->SetParameterUnscaled(MorvexParam::kMtxTarget + slot, static_cast<float>(target));
    effect->SetParameterUnscaled(MorvexParam::kMtxDepth + slot, depthPercent);
}

uint32_t PixelAt(CFrame& frame, CCoord x, CCoord y)
{
    frame.renderNow();
    int width = 0, height = 0, stride = 0;
    const unsigned char* pixels = frame.getBackBufferPixels(width, height, stride);
    const auto* row = reinterpret_cast<const uint32_t*>(pixels + static_cast<int>(y) * stride);
    return row[static_cast<int>(x)] & 0xffffff;
}

std::vector<std::string> MenuTitles(COptionMenu* menu)
{
    std::vector<std::string> titles;
    for (int i = 0; i < menu->getNbEntries(); ++i)
    {
        const CMenuItem* item = menu->getEntry(i);
        titles.push_back(std::string(item->isChecked() ? "*" : "") + item->getTitle());
    }
    menu->forget();
    return titles;
}

void QueueMenuClick(CFrame* frame, int row)
{
    CSyntheticEvent callback;
    callback.type = CSyntheticEvent::kCallback;
    callback.callback = ClickMenuRow;
    callback.userData = reinterpret_cast<void*>(static_cast<intptr_t>(row));
    frame->queueSyntheticEvent(callback);
}

std::vector<std::string> CAlertRecorder::s_alerts;

CAlertRecorder::CAlertRecorder() : m_previous(SetAlertHandler(RecordAlert))
{
    s_alerts.clear();
}

CAlertRecorder::~CAlertRecorder() { SetAlertHandler(m_previous); }

CBaseTestEditor::CBaseTestEditor(CBaseEffect* effect) : CBaseEditor(effect)
{
    setKnobMode(kLinearMode);
}

double CBaseTestEditor::ReadDesktopScale()
{
    ++m_desktopReads;
    return 1.5;
}

bool CBaseTestEditor::OpenFrame(void* parent, double scale)
{
    using namespace MorvexParam;
    if (!CBaseEditor::OpenFrame(parent, scale))
        return false;
    auto* knob = new CBitmap(kKnobStrip);
    auto* selector = new CBitmap(kSwitchStrip);
    auto* button = new CBitmap(kButtonStrip);
    auto* readOut = new CBaseReadOut(m_effect, CRect(5, 32, 45, 44), nullptr, kWhiteCColor);
    AddKnob(m_frame, 10, 10, kVolume, kKnobFrames, knob, readOut);
    AddKnob(m_frame, 60, 10, kFilterMode, kKnobFrames, knob, nullptr);
    AddHorizontalSelector(m_frame, 110, 10, kDistMode, kSwitchPositions, selector);
    AddOnOffButton(m_frame, 170, 10, kLimiter, button, COnOffButton::kPreListenerUpdate);
    AddListControl(m_frame, CRect(200, 14, 240, 26), kDistMode + 1, false, nullptr, kWhiteCColor,
                   nullptr);
    for (CBitmap* bitmap : {knob, selector, button})
        bitmap->forget();
    return true;
}

void CBaseEditorFixture::SetUp()
{
    RegisterTestArtwork();
    m_effect = m_plugin.Effect();
    ASSERT_NE(nullptr, m_effect);
    m_editor = new CBaseTestEditor(m_effect);
    m_effect->SetEditor(m_editor);
    ASSERT_TRUE(m_editor->LoadBackground(kBackground, false));
    ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
    m_frame = m_editor->getFrame();
    m_plugin.Host().Clear();
}

void CBaseEditorFixture::TearDown()
{
    m_effect->SetEditor(nullptr);
    delete m_editor;
}

void CBaseEditorFixture::Drag(CPoint from, CPoint to, long buttons)
{
    m_frame->platformOnMouseDown(from, buttons, NextTime());
    m_frame->platformOnMouseMoved(to, buttons);
    m_frame->platformOnMouseUp(to, buttons);
}
} // namespace GuiTest
