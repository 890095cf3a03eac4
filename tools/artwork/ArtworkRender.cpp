#include "ArtworkRender.h"

#include "BackgroundArtwork.h"
#include "ControlArtwork.h"

std::vector<unsigned char> RenderArtworkPng(const LAYOUT_BITMAP& bitmap, int scale,
                                            std::vector<std::string>& warnings)
{
    const bool background = bitmap.style == kBitmapBackground || bitmap.style == kBitmapPage;
    std::unique_ptr<CArtworkCanvas> canvas =
        background ? CBackgroundArtwork::Render(bitmap, scale, warnings)
                   : CControlArtwork::Render(bitmap, scale, warnings);
    if (cairo_surface_status(canvas->Surface()) != CAIRO_STATUS_SUCCESS ||
        cairo_status(canvas->Context()) != CAIRO_STATUS_SUCCESS)
        return {};
    // Strips whose frames exceed deflate's window (the 2x knobs) shrink to about a third
    // when interlaced; everything else is as small or smaller without.
    const long frameBytes = 4L * bitmap.width * bitmap.height * scale * scale;
    return canvas->EncodePng(bitmap.frames > 1 && frameBytes > 32 * 1024);
}
