// An sRGB colour with straight (not premultiplied) alpha, 0..255 per channel. Any thread.
#pragma once

#include <cstdint>

namespace VSTGUI
{

struct CColor
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    constexpr CColor() = default;
    constexpr CColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255)
        : red(r), green(g), blue(b), alpha(a)
    {
    }
    // From 0xRRGGBB, opaque.
    static constexpr CColor FromRGB(std::uint32_t rgb)
    {
        return CColor(static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                      static_cast<std::uint8_t>(rgb));
    }
    bool operator==(const CColor& other) const
    {
        return red == other.red && green == other.green && blue == other.blue &&
               alpha == other.alpha;
    }
    bool operator!=(const CColor& other) const
    {
        return !(*this == other);
    }
};

constexpr CColor kTransparentCColor(255, 255, 255, 0);
constexpr CColor kBlackCColor(0, 0, 0);
constexpr CColor kWhiteCColor(255, 255, 255);
constexpr CColor kGreyCColor(127, 127, 127);
constexpr CColor kRedCColor(255, 0, 0);
constexpr CColor kGreenCColor(0, 255, 0);
constexpr CColor kBlueCColor(0, 0, 255);
constexpr CColor kYellowCColor(255, 255, 0);
constexpr CColor kCyanCColor(0, 255, 255);
constexpr CColor kMagentaCColor(255, 0, 255);

} // namespace VSTGUI
