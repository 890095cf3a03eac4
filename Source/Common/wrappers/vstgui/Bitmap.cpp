#include "Bitmap.h"

#include "DrawContext.h"
#include "Resources.h"

#include <cairo.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace VSTGUI
{

// A decoded image shared by every CBitmap of the same name and scale (blank bitmaps own one of
// their own). Freed with its last user.
struct CBitmapImage
{
    std::string key; // "scale:name" (a band: "scale:name@top+rows"); empty for a blank image
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

std::string ImageKey(const RESOURCE_ENTRY* entry)
{
    return std::to_string(entry->scale) + ":" + entry->name;
}

// The whole image of `entry` when some bitmap has decoded it already (one more user), else null.
CBitmapImage* AcquireDecodedImage(const RESOURCE_ENTRY* entry)
{
    auto found = ImageCache().find(ImageKey(entry));
    if (found == ImageCache().end())
    {
        return nullptr;
    }
    ++found->second->users;
    return found->second;
}

CBitmapImage* AcquireImage(const RESOURCE_ENTRY* entry)
{
    if (entry == nullptr)
    {
        return nullptr;
    }
    if (CBitmapImage* decoded = AcquireDecodedImage(entry))
    {
        return decoded;
    }
    std::string key = ImageKey(entry);
    auto& cache = ImageCache();
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

// --- bands: the rows of a film strip that one frame needs -----------------------------------
//
// A knob's strip holds every frame of its animation (128 frames of 128 x 128 pixels at 2x is
// 8 MB decoded) while the knob shows one. A band is the decoded part of a strip: the PNG is
// read row by row only as far as the band's last row, and only the band is kept (64 KB for
// such a frame). Bands are shared like whole images, under their own key.

struct PNG_DECODE
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    cairo_surface_t* surface = nullptr;
    std::vector<unsigned char> row;
    PNG_READER reader{nullptr, 0, 0};
};

void ReadPngRows(png_structp png, png_bytep out, png_size_t length)
{
    auto* reader = static_cast<PNG_READER*>(png_get_io_ptr(png));
    if (length > reader->size - reader->position)
    {
        png_error(png, "truncated image");
    }
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
}

// A damaged image is an answer (no band), not a message on the host's terminal.
[[noreturn]] void QuietPngError(png_structp png, png_const_charp /*message*/)
{
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// cairo's rounding of premultiplied colour, so that a band has exactly the pixels that the
// whole image decoded by cairo has.
inline std::uint32_t MultiplyAlpha(std::uint32_t alpha, std::uint32_t colour)
{
    const std::uint32_t temp = alpha * colour + 0x80;
    return (temp + (temp >> 8)) >> 8;
}

// Rows [top, top + rows) of a non-interlaced PNG as a cairo image surface in the format cairo's
// own reader would give the whole image (ARGB32 with alpha, else RGB24); null when the bytes are
// no such PNG. UI thread (it creates a cairo surface).
cairo_surface_t* DecodeBand(const RESOURCE_ENTRY* entry, int top, int rows)
{
    // Everything that changes after setjmp lives in this heap object, never in a local.
    auto state = std::make_unique<PNG_DECODE>();
    state->reader = PNG_READER{entry->data, entry->size, 0};
    state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietPngError,
                                        IgnorePngWarning);
    if (state->png == nullptr)
    {
        return nullptr;
    }
    state->info = png_create_info_struct(state->png);
    if (state->info == nullptr || setjmp(png_jmpbuf(state->png)) != 0)
    {
        if (state->surface != nullptr)
        {
            cairo_surface_destroy(state->surface);
        }
        png_destroy_read_struct(&state->png, &state->info, nullptr);
        return nullptr;
    }
    png_set_read_fn(state->png, &state->reader, ReadPngRows);
    png_read_info(state->png, state->info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(state->png, state->info, &width, &height, &depth, &colourType, &interlace,
                 nullptr, nullptr);
    if (interlace != PNG_INTERLACE_NONE || top < 0 || rows <= 0 ||
        static_cast<png_uint_32>(top + rows) > height)
    {
        png_error(state->png, "not a band of this image");
    }
    // The transformations of cairo's PNG reader: everything becomes 8-bit RGB with alpha or
    // with a filler byte.
    const bool transparency = png_get_valid(state->png, state->info, PNG_INFO_tRNS) != 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE)
    {
        png_set_palette_to_rgb(state->png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
    {
        png_set_expand_gray_1_2_4_to_8(state->png);
    }
    if (transparency)
    {
        png_set_tRNS_to_alpha(state->png);
    }
    if (depth == 16)
    {
        png_set_strip_16(state->png);
    }
    if (depth < 8)
    {
        png_set_packing(state->png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
    {
        png_set_gray_to_rgb(state->png);
    }
    png_set_filler(state->png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(state->png, state->info);
    const bool alpha = transparency || (colourType & PNG_COLOR_MASK_ALPHA) != 0;
    if (png_get_rowbytes(state->png, state->info) != static_cast<png_size_t>(width) * 4)
    {
        png_error(state->png, "unexpected row layout");
    }
    state->surface = cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
                                                static_cast<int>(width), rows);
    if (cairo_surface_status(state->surface) != CAIRO_STATUS_SUCCESS)
    {
        png_error(state->png, "no surface");
    }
    cairo_surface_flush(state->surface);
    unsigned char* pixels = cairo_image_surface_get_data(state->surface);
    const int stride = cairo_image_surface_get_stride(state->surface);
    state->row.resize(static_cast<size_t>(width) * 4);
    // Rows above the band are decoded (a PNG is one compressed stream) but not kept; rows below
    // it are never read.
    for (int y = 0; y < top + rows; ++y)
    {
        png_read_row(state->png, state->row.data(), nullptr);
        if (y < top)
        {
            continue;
        }
        auto* out = reinterpret_cast<std::uint32_t*>(pixels + static_cast<size_t>(y - top) * stride);
        const unsigned char* in = state->row.data();
        for (png_uint_32 x = 0; x < width; ++x, in += 4)
        {
            std::uint32_t r = in[0];
            std::uint32_t g = in[1];
            std::uint32_t b = in[2];
            const std::uint32_t a = alpha ? in[3] : 0xff;
            if (a == 0)
            {
                out[x] = 0;
                continue;
            }
            if (a != 0xff)
            {
                r = MultiplyAlpha(a, r);
                g = MultiplyAlpha(a, g);
                b = MultiplyAlpha(a, b);
            }
            out[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(state->surface);
    cairo_surface_t* surface = state->surface;
    state->surface = nullptr;
    png_destroy_read_struct(&state->png, &state->info, nullptr);
    return surface;
}

CBitmapImage* AcquireBand(const RESOURCE_ENTRY* entry, int top, int rows)
{
    std::string key =
        ImageKey(entry) + "@" + std::to_string(top) + "+" + std::to_string(rows);
    auto& cache = ImageCache();
    auto found = cache.find(key);
    if (found != cache.end())
    {
        ++found->second->users;
        return found->second;
    }
    cairo_surface_t* surface = DecodeBand(entry, top, rows);
    if (surface == nullptr)
    {
        return nullptr;
    }
    auto* image = new CBitmapImage{key, surface, 1};
    cache.emplace(key, image);
    return image;
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
        m_rows1x = height;
        m_width = width;
        m_height = height;
    }
    if (ReadPngSize(entry2x, width, height))
    {
        m_resource2x = entry2x;
        m_rows2x = height;
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
    ReleaseBands();
    ReleaseImage(m_image1x);
    ReleaseImage(m_image2x);
}

void CBitmap::ReleaseBands() const
{
    for (const BAND& band : m_bands)
    {
        ReleaseImage(band.image);
    }
    m_bands.clear();
}

int CBitmap::GetBandCount() const
{
    return static_cast<int>(m_bands.size());
}

bool CBitmap::IsDecoded(int scale) const
{
    return (scale == 2 ? m_image2x : m_image1x) != nullptr;
}

bool CBitmap::DrawBand(CDrawContext* context, const CRect& dest, const CPoint& offset,
                       float alpha)
{
    // The image a draw at this scale uses (as getSurface chooses), unless it failed to decode.
    const double scale = context->getScaleFactor();
    const bool want2x = m_resource2x != nullptr && !m_decodeFailed2x &&
                        (scale > 1.0 || m_resource1x == nullptr || m_decodeFailed1x);
    const RESOURCE_ENTRY* resource = want2x ? m_resource2x : m_resource1x;
    if (resource == nullptr || (!want2x && m_decodeFailed1x) || m_bandsRefused)
    {
        return false;
    }
    CBitmapImage*& whole = want2x ? m_image2x : m_image1x;
    if (whole != nullptr)
    {
        return false;
    }
    // The whole image may be decoded for another bitmap already (another editor): share it.
    if ((whole = AcquireDecodedImage(resource)) != nullptr)
    {
        ReleaseBands();
        return false;
    }
    const int resourceScale = want2x ? 2 : 1;
    const int imageRows = want2x ? m_rows2x : m_rows1x;
    const int top = std::max(0, static_cast<int>(std::floor(offset.y * resourceScale)));
    const int bottom = std::min(
        imageRows, static_cast<int>(std::ceil((offset.y + dest.getHeight()) * resourceScale)));
    const int rows = bottom - top;
    // Bands pay only for a small part of a tall image (a frame of a film strip).
    if (rows <= 0 || rows * kBandShare > imageRows)
    {
        return false;
    }
    CBitmapImage* image = nullptr;
    for (const BAND& band : m_bands)
    {
        if (band.scale == resourceScale && band.top == top && band.rows == rows)
        {
            image = band.image;
        }
    }
    if (image == nullptr)
    {
        // Many different frames: the control is being moved through its range, and each band
        // costs a decode from the top of the strip; from here on the whole strip is cheaper.
        if (static_cast<int>(m_bands.size()) >= kMaxBands)
        {
            ReleaseBands();
            return false;
        }
        image = AcquireBand(resource, top, rows);
        if (image == nullptr)
        {
            m_bandsRefused = true; // interlaced or damaged: the whole-image path decides
            return false;
        }
        m_bands.push_back(BAND{resourceScale, top, rows, image});
    }
    const CPoint bandOffset(offset.x, offset.y - static_cast<double>(top) / resourceScale);
    context->drawSurface(image->surface, resourceScale, dest, bandOffset, alpha);
    return true;
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
    // From the whole image on, the bands are not drawn any more.
    ReleaseBands();
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
    if (!m_blank && DrawBand(context, dest, offset, alpha))
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
