// Draws the window backgrounds and the container backgrounds (matrix page, compact
// master view) from the layout table: section and module panels, the recessed fields
// behind read-outs, lists, browsers and the modulator editor, every control's caption,
// titles, headings and the product's wordmark. Generator thread only.
#pragma once

#include "ArtworkCanvas.h"

#include <memory>
#include <string>
#include <vector>

class CBackgroundArtwork
{
  public:
    // bitmap: a kBitmapBackground or kBitmapPage entry. Texts that do not fit their
    // rectangles are reported in warnings.
    static std::unique_ptr<CArtworkCanvas> Render(const LAYOUT_BITMAP& bitmap, int scale,
                                                  std::vector<std::string>& warnings);

    // Where a section's drawing goes in a window mode.
    enum TARGET : int
    {
        kTargetBackground,
        kTargetMatrixPage,
        kTargetMasterView,
    };
    static TARGET TargetOf(LAYOUT_SECTION section, int windowMode);

  private:
    static void Panel(CArtworkCanvas& canvas, const LAYOUT_PANEL& panel);
    static void Fields(CArtworkCanvas& canvas, const LAYOUT_CONTROL& control);
    static void ModEditorField(CArtworkCanvas& canvas, const LAYOUT_RECT& rect);
    static void Text(CArtworkCanvas& canvas, const LAYOUT_TEXT& text,
                     std::vector<std::string>& warnings, const char* bitmapName);
    static void MatrixStripes(CArtworkCanvas& canvas, int windowMode);
};
