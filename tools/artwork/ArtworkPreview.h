// A picture of the whole editor made from the generated images, without the editor:
// the background with every control's bitmap at its place (knobs at sample values,
// sample texts in the lists, read-outs and browsers), for judging the artwork at a
// glance. Written by "morvex-artwork --preview OUTDIR". Generator thread only.
#pragma once

#include <string>

class CArtworkPreview
{
  public:
    enum VIEW : int
    {
        kViewMain,       // the window as it opens
        kViewMatrix,     // with the matrix page shown
        kViewMasterView, // compact window with the master view shown
    };

    // Composes the images in imageDir (its 1x/ and 2x/ folders) into pngPath.
    static bool Write(const std::string& imageDir, const std::string& pngPath, int windowMode,
                      int scale, VIEW view);
};
