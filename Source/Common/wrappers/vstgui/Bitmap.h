// An image: loaded by name from the registered resources (see Resources.h) or blank. The size
// comes from the PNG header at construction (no cairo call, so a bitmap may be made on any
// thread); the pixels are decoded at the first draw, on the UI thread, once per name and scale
// with cairo's PNG stream reader, and shared between all bitmaps of that name. Sizes are
// logical: those of the 1x image (or half the 2x image when only that exists). Film strips are
// vertical stacks of equal frames. Drawing and reference counts: UI thread only.
#pragma once

#include "BaseObject.h"
#include "Geometry.h"

#include <string>

namespace VSTGUI
{

class CDrawContext;
struct CBitmapImage;
struct RESOURCE_ENTRY;

class CBitmap : public CBaseObject
{
public:
    // From the resource table; isLoaded() is false when the name is unknown or the PNG bad.
    explicit CBitmap(const char* resourceName);
    // A transparent image of width x height logical pixels (1x); a draw context can draw into it.
    CBitmap(CCoord width, CCoord height);
    ~CBitmap() override;

    // True when the image exists (a resource with a valid PNG header, or a blank image).
    bool isLoaded() const;
    CCoord getWidth() const
    {
        return m_width;
    }
    CCoord getHeight() const
    {
        return m_height;
    }
    const char* getResourceName() const;

    // Draws the part of the image starting at `offset` (logical, in the image) into `dest`
    // (current context coordinates), clipped to `dest`; alpha 0..1 multiplies the image.
    void draw(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint(),
              float alpha = 1.0f);
    // Same as draw: PNG alpha is always honoured; kept for the classic call sites.
    void drawTransparent(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint());

    // Number of frames of height frameHeight in the strip, or 0 when the height is not a whole
    // number of frames (or either height is not positive): such a strip is refused.
    int getFrameCount(CCoord frameHeight) const;

    // The cairo surface (cairo_surface_t*) for drawing at `scale`: the 2x image above 1 when
    // there is one, else the 1x image; null when not loaded. The surface stays owned by us.
    void* getSurface(double scale) const;
    // The 1x surface of a blank bitmap, to draw into (cairo_surface_t*).
    void* getTargetSurface() const;

    bool isTypeOf(const char* type) const override;

private:
    const RESOURCE_ENTRY* m_resource1x = nullptr;
    const RESOURCE_ENTRY* m_resource2x = nullptr;
    std::string m_name;
    bool m_blank = false;
    mutable CBitmapImage* m_image1x = nullptr; // decoded on first use (see Bitmap.cpp)
    mutable CBitmapImage* m_image2x = nullptr;
    mutable bool m_decodeFailed1x = false;
    mutable bool m_decodeFailed2x = false;
    CCoord m_width = 0.0;
    CCoord m_height = 0.0;
};

} // namespace VSTGUI
