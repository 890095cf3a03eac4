#include "GuiTestSupport.h"

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "vstgui/Resources.h"

#include <cairo.h>

#include <string>

namespace GuiTest
{
namespace
{
CHostRecorder* g_recorder = nullptr;

struct TEST_IMAGE
{
    const char* name;
    int width;
    int height;
    double red, green, blue;
};

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// A PNG of `image`'s size: a flat colour with a lighter band per 10-pixel row, so that
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
    static VSTGUI::RESOURCE_ENTRY s_entries[kCount];
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
    VSTGUI::RegisterResources(s_entries, kCount);
}

CHostRecorder::CHostRecorder()
{
    g_recorder = this;
}

CHostRecorder::~CHostRecorder()
{
    if (g_recorder == this)
        g_recorder = nullptr;
}

std::vector<HOST_CALL> CHostRecorder::EditCalls(int id) const
{
    std::vector<HOST_CALL> edits;
    for (const HOST_CALL& call : m_calls)
    {
        const bool edit = call.opcode == audioMasterBeginEdit ||
                          call.opcode == audioMasterEndEdit || call.opcode == audioMasterAutomate;
        if (edit && call.index == id)
            edits.push_back(call);
    }
    return edits;
}

int CHostRecorder::Count(int opcode) const
{
    int count = 0;
    for (const HOST_CALL& call : m_calls)
        count += call.opcode == opcode ? 1 : 0;
    return count;
}

VstIntPtr CHostRecorder::Callback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 index,
                                  VstIntPtr /*value*/, void* /*ptr*/, float opt)
{
    if (g_recorder)
        g_recorder->m_calls.push_back({opcode, index, opt});
    return opcode == audioMasterVersion ? 2400 : 0;
}

CPluginInstance::CPluginInstance()
{
    m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(&CHostRecorder::Callback));
    m_effect = m_wrapper ? static_cast<CMorvex*>(m_wrapper->GetBaseEffect()) : nullptr;
    m_host.Clear();
}

CPluginInstance::~CPluginInstance()
{
    delete m_wrapper;
}
} // namespace GuiTest
