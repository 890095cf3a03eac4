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

CBitmapImage* AcquireImage(const RESOURCE_ENTRY* entry)
{
    if (entry == nullptr)
    {
        return nullptr;
    }
    std::string key = std::to_string(entry->scale) + ":" + entry->name;
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

// Width and height from a PNG's header (signature, then the IHDR chunk); false when the bytes
// are not a PNG.
bool ReadPngSize(const RESOURCE_ENTRY* entry, int& width, int& height)
{
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (entry == nullptr || entry->size < 24 || std::memcmp(entry->data, kSignature, 8) != 0 ||
        std::memcmp(entry->data + 12, "IHDR", 4) != 0)
    {
        return false;
    }
    auto bigEndian = [](const unsigned char* p)
    {
        return (static_cast<unsigned long>(p[0]) << 24) | (static_cast<unsigned long>(p[1]) << 16) |
               (static_cast<unsigned long>(p[2]) << 8) | static_cast<unsigned long>(p[3]);
    };
    const unsigned long w = bigEndian(entry->data + 16);
    const unsigned long h = bigEndian(entry->data + 20);
    if (w == 0 || h == 0 || w > 65535 || h > 65535)
    {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}
} // namespace

CBitmap::CBitmap(const char* resourceName) : m_name(resourceName != nullptr ? resourceName : "")
{
    int width = 0;
    int height = 0;
    const RESOURCE_ENTRY* entry1x = FindResource(resourceName, 1);
    const RESOURCE_ENTRY* entry2x = FindResource(resourceName, 2);
    if (ReadPngSize(entry1x, width, height))
    {
        m_resource1x = entry1x;
        m_width = width;
        m_height = height;
    }
    if (ReadPngSize(entry2x, width, height))
    {
        m_resource2x = entry2x;
        if (m_resource1x == nullptr)
        {
            m_width = width * 0.5;
            m_height = height * 0.5;
        }
    }
}

CBitmap::CBitmap(CCoord width, CCoord height) : m_blank(true)
{
    m_width = width > 0.0 && width < 65536.0 ? std::ceil(width) : 0.0;
    m_height = height > 0.0 && height < 65536.0 ? std::ceil(height) : 0.0;
}

CBitmap::~CBitmap()
{
    ReleaseImage(m_image1x);
    ReleaseImage(m_image2x);
}

bool CBitmap::isLoaded() const
{
    if (m_blank)
    {
        return m_width > 0.0 && m_height > 0.0;
    }
    return m_resource1x != nullptr || m_resource2x != nullptr;
}

const char* CBitmap::getResourceName() const
{
    return m_name.c_str();
}

void* CBitmap::getSurface(double scale) const
{
    if (m_blank)
    {
        return getTargetSurface();
    }
    // Decoded here, at the first draw: on the UI thread.
    auto decode = [](const RESOURCE_ENTRY* resource, CBitmapImage*& image, bool& failed)
    {
        if (image == nullptr && resource != nullptr && !failed)
        {
            image = AcquireImage(resource);
            failed = image == nullptr;
        }
        return image;
    };
    const bool want2x = m_resource2x != nullptr && (scale > 1.0 || m_resource1x == nullptr);
    if (want2x && decode(m_resource2x, m_image2x, m_decodeFailed2x) != nullptr)
    {
        return m_image2x->surface;
    }
    if (decode(m_resource1x, m_image1x, m_decodeFailed1x) != nullptr)
    {
        return m_image1x->surface;
    }
    // The 1x image is bad: the 2x one drawn at half size is next best.
    return decode(m_resource2x, m_image2x, m_decodeFailed2x) != nullptr ? m_image2x->surface
                                                                        : nullptr;
}

void* CBitmap::getTargetSurface() const
{
    if (!m_blank || !isLoaded())
    {
        return nullptr;
    }
    if (m_image1x == nullptr)
    {
        cairo_surface_t* surface = cairo_image_surface_create(
            CAIRO_FORMAT_ARGB32, static_cast<int>(m_width), static_cast<int>(m_height));
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        {
            cairo_surface_destroy(surface);
            return nullptr;
        }
        m_image1x = new CBitmapImage{std::string(), surface, 1};
    }
    return m_image1x->surface;
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& offset, float alpha)
{
    if (context == nullptr || !isLoaded())
    {
        return;
    }
    void* surface = getSurface(context->getScaleFactor());
    if (surface == nullptr)
    {
        return;
    }
    const double surfaceScale = (m_image2x != nullptr && surface == m_image2x->surface) ? 2.0 : 1.0;
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
