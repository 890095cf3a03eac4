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
    return canvas->EncodePng();
}
