// morvex-artwork OUTDIR: draws every bitmap of the editor at scale 1 and 2 into
// OUTDIR/1x and OUTDIR/2x and writes OUTDIR/EditorArtwork.cpp, which embeds them.
// Run by the build; the same input always gives the same bytes.
// Options: --strict fails (exit 1) when a text does not fit its place; --preview also
// writes pictures of the whole window (OUTDIR/preview-*.png) made from the images.
#include "ArtworkPreview.h"
#include "ArtworkRender.h"
#include "ResourceWriter.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
bool SameText(const char* a, const char* b)
{
    return (a == nullptr && b == nullptr) ||
           (a != nullptr && b != nullptr && std::strcmp(a, b) == 0);
}

// Two entries that draw the same pixels (everything but the name agrees).
bool SameArtwork(const LAYOUT_BITMAP& a, const LAYOUT_BITMAP& b)
{
    return a.style == b.style && a.accent == b.accent && a.width == b.width &&
           a.height == b.height && a.frames == b.frames && SameText(a.face, b.face) &&
           a.windowMode == b.windowMode && a.style != kBitmapBackground && a.style != kBitmapPage;
}

std::vector<unsigned char> ReadImage(const std::string& outDir, const char* name, int scale)
{
    const std::string path = outDir + "/" + std::to_string(scale) + "x/" + name;
    std::vector<unsigned char> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb"))
    {
        unsigned char buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(file);
    }
    return bytes;
}
} // namespace

int main(int argc, char** argv)
{
    std::string outDir;
    bool strict = false;
    bool preview = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--strict") == 0)
            strict = true;
        else if (std::strcmp(argv[i], "--preview") == 0)
            preview = true;
        else if (outDir.empty())
            outDir = argv[i];
        else
            outDir.clear(), i = argc; // a second directory: usage error below
    }
    if (outDir.empty())
    {
        std::fprintf(stderr, "usage: morvex-artwork [--strict] [--preview] OUTDIR\n");
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    CResourceWriter writer(outDir);
    if (!writer.Prepare())
    {
        std::fprintf(stderr, "morvex-artwork: cannot create %s\n", outDir.c_str());
        return 1;
    }
    std::vector<std::string> warnings;
    int count = 0;
    const LAYOUT_BITMAP* bitmaps = GetLayoutBitmaps(count);
    for (int i = 0; i < count; ++i)
    {
        // Several names share one look (a knob strip under two names, the compact
        // window's copies): draw it once.
        int same = i;
        for (int j = 0; j < i && same == i; ++j)
            if (SameArtwork(bitmaps[i], bitmaps[j]))
                same = j;
        for (int scale = 1; scale <= 2; ++scale)
        {
            // Text warnings are the same at both scales: collect them once.
            std::vector<std::string> scaleWarnings;
            const std::vector<unsigned char> png =
                same != i ? ReadImage(outDir, bitmaps[same].name, scale)
                          : RenderArtworkPng(bitmaps[i], scale, scaleWarnings);
            if (scale == 1)
                warnings.insert(warnings.end(), scaleWarnings.begin(), scaleWarnings.end());
            if (png.empty() || !writer.AddImage(bitmaps[i].name, scale, png))
            {
                std::fprintf(stderr, "morvex-artwork: cannot write %s at %dx\n", bitmaps[i].name,
                             scale);
                return 1;
            }
        }
    }
    bool changed = false;
    if (!writer.WriteSource(changed))
    {
        std::fprintf(stderr, "morvex-artwork: cannot write %s/EditorArtwork.cpp\n", outDir.c_str());
        return 1;
    }
    if (preview)
    {
        struct PREVIEW
        {
            const char* file;
            int mode;
            int scale;
            CArtworkPreview::VIEW view;
        };
        const PREVIEW previews[] = {
            {"preview-normal-1x.png", kWindowNormal, 1, CArtworkPreview::kViewMain},
            {"preview-normal-2x.png", kWindowNormal, 2, CArtworkPreview::kViewMain},
            {"preview-matrix-1x.png", kWindowNormal, 1, CArtworkPreview::kViewMatrix},
            {"preview-compact-1x.png", kWindowCompact, 1, CArtworkPreview::kViewMain},
            {"preview-compact-master-1x.png", kWindowCompact, 1, CArtworkPreview::kViewMasterView},
            {"preview-compact-matrix-1x.png", kWindowCompact, 1, CArtworkPreview::kViewMatrix},
        };
        for (const PREVIEW& p : previews)
            if (!CArtworkPreview::Write(outDir, outDir + "/" + p.file, p.mode, p.scale, p.view))
                std::fprintf(stderr, "morvex-artwork: cannot write %s\n", p.file);
    }
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "morvex-artwork: warning: %s\n", warning.c_str());
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
    std::printf("morvex-artwork: %d images, %lu bytes, %lld ms%s\n", writer.ImageCount(),
                writer.TotalBytes(), static_cast<long long>(elapsedMs),
                changed ? "" : " (embedding unchanged)");
    return strict && !warnings.empty() ? 1 : 0;
}
