#include "ArtworkPreview.h"

#include "ArtworkCanvas.h"

#include <cmath>
#include <map>

namespace
{
// Loads imageDir/<scale>x/name once per preview.
class CImageCache
{
  public:
    CImageCache(std::string imageDir, int scale) : m_dir(std::move(imageDir)), m_scale(scale) {}
    ~CImageCache()
    {
        for (auto& entry : m_images)
            cairo_surface_destroy(entry.second);
    }
    CImageCache(const CImageCache&) = delete;
    CImageCache& operator=(const CImageCache&) = delete;

    cairo_surface_t* Get(const char* name)
    {
        auto found = m_images.find(name);
        if (found != m_images.end())
            return found->second;
        const std::string path = m_dir + "/" + std::to_string(m_scale) + "x/" + name;
        cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
        m_images[name] = image;
        return image;
    }

  private:
    std::string m_dir;
    int m_scale;
    std::map<std::string, cairo_surface_t*> m_images;
};

// Paints frame `frame` of a strip at rect (logical coordinates on a canvas scaled by s).
void PaintFrame(cairo_t* cr, cairo_surface_t* image, const LAYOUT_RECT& rect, int frame, int scale,
                int bitmapHeight)
{
    if (image == nullptr || cairo_surface_status(image) != CAIRO_STATUS_SUCCESS)
        return;
    cairo_save(cr);
    cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    cairo_clip(cr);
    cairo_translate(cr, rect.x, rect.y - double(bitmapHeight) * frame);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

// Sample state of a control: which frame and text a musician might see.
int SampleFrame(const LAYOUT_CONTROL& c)
{
    switch (c.kind)
    {
    case kLayoutKnob:
        return static_cast<int>(
            std::lround((c.frames - 1) * (0.25 + 0.05 * ((c.rect.x / 7) % 10))));
    case kLayoutOnOff:
        return (c.rect.x / 50) % 3 == 0 ? 0 : 1;
    case kLayoutHSwitch:
    case kLayoutVSwitch:
        return 0;
    default:
        return 0;
    }
}

const char* SampleText(const LAYOUT_CONTROL& c)
{
    switch (c.paramId)
    {
    case 29:
        return "Lowpass 12dB";
    case 73:
        return "Overdrive";
    case 93:
        return "1/16";
    default:
        break;
    }
    if (c.paramId >= 259 && c.paramId < 283)
        return c.paramId < 265 ? "Mod 1" : "---";
    if (c.paramId >= 283 && c.paramId < 307)
        return c.paramId < 289 ? "LayerA Filter Cutoff" : "---";
    return "";
}

const char* SampleReadOut(const LAYOUT_CONTROL& c)
{
    switch (c.paramId)
    {
    case 33:
        return "1.65kHz";
    case 2:
        return "0.00dB";
    case 3:
        return "Center";
    case 45:
    case 47:
        return "1/8";
    case 131:
        return "1/16";
    default:
        return "42%";
    }
}

bool ShownIn(const LAYOUT_CONTROL& c, int windowMode, CArtworkPreview::VIEW view)
{
    if (c.kind == kLayoutMsegEditor)
        return false; // the step editor is shown
    if (c.paramId == 171)
        return false; // Tension: the Gate knob is shown in step mode
    switch (c.section)
    {
    case kSectionMatrix:
        return view == CArtworkPreview::kViewMatrix;
    case kSectionMaster:
        return windowMode == kWindowNormal || view == CArtworkPreview::kViewMasterView;
    default:
        return true;
    }
}
} // namespace

bool CArtworkPreview::Write(const std::string& imageDir, const std::string& pngPath, int windowMode,
                            int scale, VIEW view)
{
    const LAYOUT_RECT window = GetWindowRect(windowMode);
    CArtworkCanvas canvas(window.width, window.height, scale);
    cairo_t* cr = canvas.Context();
    CImageCache images(imageDir, scale);
    const char* backgroundName =
        windowMode == kWindowCompact ? "cmpt_background.png" : "Background.png";
    PaintFrame(cr, images.Get(backgroundName), window, 0, scale, window.height);

    int count = 0;
    const LAYOUT_CONTROL* controls = GetLayoutControls(windowMode, count);
    // Containers first (as the editor attaches them), then their controls in order.
    if (view == kViewMasterView && windowMode == kWindowCompact)
    {
        const LAYOUT_RECT page = GetSectionRect(windowMode, kSectionMaster);
        PaintFrame(cr, images.Get("cmpt_master_view.png"), page, 0, scale, page.height);
    }
    if (view == kViewMatrix)
    {
        const LAYOUT_RECT page = GetSectionRect(windowMode, kSectionMatrix);
        PaintFrame(
            cr, images.Get(windowMode == kWindowCompact ? "MatrixViewCmpt.png" : "MatrixView.png"),
            page, 0, scale, page.height);
    }
    const ARTWORK_FONT readOutFont{9.0, false, 0.0};
    const ARTWORK_FONT listFont{10.0, true, 0.0};
    const ARTWORK_FONT browserFont{12.0, true, 0.0};
    for (int i = 0; i < count; ++i)
    {
        const LAYOUT_CONTROL& c = controls[i];
        if (!ShownIn(c, windowMode, view))
            continue;
        // Views under an open page stay hidden.
        if (view == kViewMatrix && c.section != kSectionMatrix &&
            GetSectionRect(windowMode, kSectionMatrix).Intersects(c.rect) &&
            c.tag != kTagMatrixSwitch && c.tag != kTagLayerSelector)
            continue;
        if (view == kViewMasterView && c.section != kSectionMaster &&
            GetSectionRect(windowMode, kSectionMaster).Intersects(c.rect) &&
            c.section != kSectionFrame)
            continue;
        if (c.bitmap != nullptr)
        {
            const LAYOUT_BITMAP* bitmap = FindLayoutBitmap(c.bitmap);
            int frame = SampleFrame(c);
            if (c.tag == kTagMatrixSwitch && view == kViewMatrix)
                frame = 1;
            if (c.tag == kTagViewSelector && view == kViewMasterView)
                frame = 1;
            if (bitmap != nullptr)
            {
                if (c.kind == kLayoutSlider)
                {
                    // Handle at a sample depth.
                    const LAYOUT_RECT handle{c.rect.x + (c.rect.width - bitmap->width) * 3 / 4,
                                             c.rect.y, bitmap->width, bitmap->height};
                    PaintFrame(cr, images.Get(c.bitmap), handle, 0, scale, bitmap->height);
                }
                else
                {
                    PaintFrame(cr, images.Get(c.bitmap), c.rect, frame, scale, bitmap->height);
                }
            }
        }
        if (c.readOut)
            canvas.Text(c.readOutRect, SampleReadOut(c), readOutFont, LayoutPalette::kReadOutText,
                        kAlignCentre);
        if (c.kind == kLayoutList)
            canvas.Text(c.rect, SampleText(c), c.section == kSectionLayer ? listFont : readOutFont,
                        c.section == kSectionLayer ? LayoutPalette::kLayerListText
                                                   : LayoutPalette::kReadOutText,
                        kAlignCentre);
        if (c.kind == kLayoutBrowser)
            canvas.Text({c.rect.x + 10, c.rect.y + 2, c.rect.width - 10, c.rect.height - 2},
                        c.tag == kTagMainBrowser ? "Default Preset" : "Init", browserFont,
                        LAYOUT_COLOUR{255, 255, 255, 150}, kAlignCentre);
        if (c.kind == kLayoutLabel)
            canvas.Text(c.rect, "VST x64 v1.14", readOutFont, LayoutPalette::kTextSecondary,
                        kAlignLeft);
        if (c.kind == kLayoutMeter || c.kind == kLayoutCorrelation)
        {
            // Level at about -12 dB: the lit image below that height.
            const int lit = c.rect.height * 36 / 56;
            if (c.kind == kLayoutMeter)
            {
                PaintFrame(cr, images.Get("MainMeterOff.png"), c.rect, 0, scale, c.rect.height);
                LAYOUT_RECT on = c.rect;
                on.y = c.rect.Bottom() - lit;
                on.height = lit;
                cairo_save(cr);
                cairo_rectangle(cr, on.x, on.y, on.width, on.height);
                cairo_clip(cr);
                PaintFrame(cr, images.Get("MainMeter.png"), c.rect, 0, scale, c.rect.height);
                cairo_restore(cr);
            }
            else
            {
                canvas.FillRect(c.rect.x, c.rect.y + c.rect.height / 2 - 20, c.rect.width, 20,
                                LAYOUT_COLOUR{255, 255, 255, 200});
            }
        }
        if (c.kind == kLayoutStepEditor)
        {
            // A sample pattern in the editor's colours (255,172,72 at alpha 120, outline).
            const int cell = c.rect.width / 32;
            const int top = c.rect.y + 17;
            const int height = c.rect.height - 18;
            for (int step = 0; step < 16; ++step)
            {
                const double level = 0.2 + 0.75 * std::fabs(std::sin(step * 1.3));
                const double x = c.rect.x + step * 2 * cell;
                const double y = top + height * (1.0 - level);
                cairo_rectangle(cr, x, y, 2 * cell, c.rect.Bottom() - 1 - y);
                canvas.SetColour(LAYOUT_COLOUR{255, 172, 72, 120});
                cairo_fill_preserve(cr);
                canvas.SetColour(LAYOUT_COLOUR{20, 20, 20, 150});
                cairo_set_line_width(cr, 1.0);
                cairo_stroke(cr);
                cairo_arc(cr, x + 2 * cell, y, 3.5, 0, 2 * M_PI);
                canvas.Fill(LAYOUT_COLOUR{168, 168, 168, 255});
            }
        }
    }
    cairo_surface_flush(canvas.Surface());
    return cairo_surface_write_to_png(canvas.Surface(), pngPath.c_str()) == CAIRO_STATUS_SUCCESS;
}
