// An image: loaded by name from the registered resources (see Resources.h) or blank. The size
// comes from the PNG header at construction (no cairo call, so a bitmap may be made on any
// thread); the pixels are decoded at the first draw, on the UI thread, once per name and scale
// with cairo's PNG stream reader, and shared between all bitmaps of that name (in every editor
// of the process; freed with the last bitmap that uses them). Sizes are logical: those of the 1x
// image (or half the 2x image when only that exists). Film strips are vertical stacks of equal
// frames: a draw that shows a small part of a tall image (one frame) decodes only the rows it
// needs (a band, shared like an image) until the bitmap has needed kMaxBands different bands;
// then the whole image is decoded once. Drawing and reference counts: UI thread only.
#pragma once

#include "BaseObject.h"
#include "Geometry.h"

#include <string>
#include <vector>

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

    // What is decoded (tests and measurements): bands held, whole image at scale 1 or 2.
    int GetBandCount() const;
    bool IsDecoded(int scale) const;

    // A band is used when the draw needs at most 1/kBandShare of the image's rows; a bitmap
    // holds at most kMaxBands of them before it decodes the whole image.
    static constexpr int kBandShare = 4;
    static constexpr int kMaxBands = 6;

private:
    struct BAND
    {
        int scale; // of the resource it comes from
        int top;   // first row, in the resource's pixels
        int rows;
        CBitmapImage* image;
    };
    // Draws the rows that `dest` shows from a band; false when the whole image is the way
    // (it is decoded already, the part is large, or there have been too many bands).
    bool DrawBand(CDrawContext* context, const CRect& dest, const CPoint& offset, float alpha);
    void ReleaseBands() const;

    const RESOURCE_ENTRY* m_resource1x = nullptr;
    const RESOURCE_ENTRY* m_resource2x = nullptr;
    std::string m_name;
    bool m_blank = false;
    mutable CBitmapImage* m_image1x = nullptr; // decoded on first use (see Bitmap.cpp)
    mutable CBitmapImage* m_image2x = nullptr;
    mutable bool m_decodeFailed1x = false;
    mutable bool m_decodeFailed2x = false;
    mutable std::vector<BAND> m_bands;
    bool m_bandsRefused = false; // a band could not be decoded: whole images only
    int m_rows1x = 0;            // image heights in the resources' own pixels
    int m_rows2x = 0;
    CCoord m_width = 0.0;
    CCoord m_height = 0.0;
};

} // namespace VSTGUI
