#include "Bitmap.h"

#include "DrawContext.h"
#include "Resources.h"

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>

namespace VSTGUI
{

// A decoded image shared by every CBitmap of the same name and scale (blank bitmaps own one of
// their own). Freed with its last user.
struct CBitmapImage
{
    std::string key; // "scale:name"; empty for a blank image
    cairo_surface_t* surface = nullptr;
    int users = 0;
};

namespace
{
// Never destroyed: bitmaps released during static destruction still find it.
std::map<std::string, CBitmapImage*>& ImageCache()
{
    static auto* cache = new std::map<std::string, CBitmapImage*>();
    return *cache;
}

struct PNG_READER
{
    const unsigned char* data;
    unsigned long size;
    unsigned long position;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* out, unsigned int length)
{
    auto* reader = static_cast<PNG_READER*>(closure);
    if (length > reader->size - reader->position)
    {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
    return CAIRO_STATUS_SUCCESS;
}

CBitmapImage* AcquireImage(const char* name, int scale)
{
    const RESOURCE_ENTRY* entry = FindResource(name, scale);
    if (entry == nullptr)
    {
        return nullptr;
    }
    std::string key = std::to_string(scale) + ":" + name;
    auto& cache = ImageCache();
    auto found = cache.find(key);
    if (found != cache.end())
    {
        ++found->second->users;
        return found->second;
    }
    PNG_READER reader{entry->data, entry->size, 0};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadPngBytes, &reader);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    auto* image = new CBitmapImage{key, surface, 1};
    cache.emplace(key, image);
    return image;
}

void ReleaseImage(CBitmapImage* image)
{
    if (image == nullptr || --image->users > 0)
    {
        return;
    }
    if (!image->key.empty())
    {
        ImageCache().erase(image->key);
    }
    cairo_surface_destroy(image->surface);
    delete image;
}

int SurfaceWidth(const CBitmapImage* image)
{
    return cairo_image_surface_get_width(image->surface);
}

int SurfaceHeight(const CBitmapImage* image)
{
    return cairo_image_surface_get_height(image->surface);
}
} // namespace

CBitmap::CBitmap(const char* resourceName)
{
    m_image1x = AcquireImage(resourceName, 1);
    m_image2x = AcquireImage(resourceName, 2);
    if (m_image1x != nullptr)
    {
        m_width = SurfaceWidth(m_image1x);
        m_height = SurfaceHeight(m_image1x);
    }
    else if (m_image2x != nullptr)
    {
        m_width = SurfaceWidth(m_image2x) * 0.5;
        m_height = SurfaceHeight(m_image2x) * 0.5;
    }
}

CBitmap::CBitmap(CCoord width, CCoord height)
{
    const int pixelWidth = width > 0.0 ? static_cast<int>(std::ceil(width)) : 0;
    const int pixelHeight = height > 0.0 ? static_cast<int>(std::ceil(height)) : 0;
    if (pixelWidth > 0 && pixelHeight > 0)
    {
        cairo_surface_t* surface =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight);
        if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
        {
            m_image1x = new CBitmapImage{std::string(), surface, 1};
            m_width = pixelWidth;
            m_height = pixelHeight;
        }
        else
        {
            cairo_surface_destroy(surface);
        }
    }
}

CBitmap::~CBitmap()
{
    ReleaseImage(m_image1x);
    ReleaseImage(m_image2x);
}

bool CBitmap::isLoaded() const
{
    return m_image1x != nullptr || m_image2x != nullptr;
}

const char* CBitmap::getResourceName() const
{
    const CBitmapImage* image = m_image1x != nullptr ? m_image1x : m_image2x;
    if (image == nullptr || image->key.empty())
    {
        return "";
    }
    return image->key.c_str() + image->key.find(':') + 1;
}

void* CBitmap::getSurface(double scale) const
{
    if (scale > 1.0 && m_image2x != nullptr)
    {
        return m_image2x->surface;
    }
    if (m_image1x != nullptr)
    {
        return m_image1x->surface;
    }
    return m_image2x != nullptr ? m_image2x->surface : nullptr;
}

void* CBitmap::getTargetSurface() const
{
    return m_image1x != nullptr && m_image1x->key.empty() ? m_image1x->surface : nullptr;
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& offset, float alpha)
{
    if (context == nullptr || !isLoaded())
    {
        return;
    }
    void* surface = getSurface(context->getScaleFactor());
    const double surfaceScale =
        (m_image2x != nullptr && surface == m_image2x->surface) ? 2.0 : 1.0;
    context->drawSurface(surface, surfaceScale, dest, offset, alpha);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& dest, const CPoint& offset)
{
    draw(context, dest, offset, 1.0f);
}

int CBitmap::getFrameCount(CCoord frameHeight) const
{
    if (!isLoaded() || !(frameHeight > 0.0) || !(m_height > 0.0))
    {
        return 0;
    }
    const double frames = m_height / frameHeight;
    const double whole = std::round(frames);
    if (whole < 1.0 || std::fabs(frames - whole) > 1e-6)
    {
        return 0;
    }
    return static_cast<int>(whole);
}

bool CBitmap::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBitmap") || CBaseObject::isTypeOf(type);
}

} // namespace VSTGUI
