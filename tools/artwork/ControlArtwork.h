// Draws the bitmaps of the editor's controls: knob film strips, buttons, selectors,
// tabs, aim dots, dice, meters, routing tiles, slider handle, browser overlay and the
// modulation pop-up. Each bitmap is a vertical strip of frames (frame 0 on top), drawn
// in logical pixels at the requested scale. Generator thread only.
#pragma once

#include "ArtworkCanvas.h"

#include <memory>
#include <string>
#include <vector>

class CControlArtwork
{
  public:
    // A strip of bitmap.frames frames of bitmap.width x bitmap.height logical pixels.
    // Texts that do not fit are reported in warnings (name: text).
    static std::unique_ptr<CArtworkCanvas> Render(const LAYOUT_BITMAP& bitmap, int scale,
                                                  std::vector<std::string>& warnings);

    // Angle in degrees (clockwise from three o'clock) of a knob at value 0..1.
    static double KnobAngleDegrees(double value) { return 130.0 + 280.0 * value; }

  private:
    static void Knob(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, double value);
    static void Button(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame,
                       std::vector<std::string>& warnings);
    static void Segments(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame,
                         std::vector<std::string>& warnings);
    static void Tabs(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame,
                     std::vector<std::string>& warnings);
    static void Aim(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame);
    static void Dice(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame);
    static void Meter(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, bool lit);
    static void Routing(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame,
                        std::vector<std::string>& warnings);
    static void Handle(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap);
    static void Browser(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame);
    static void Popup(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap,
                      std::vector<std::string>& warnings);
    static void PopupFill(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap);
    static void Icon(CArtworkCanvas& canvas, const std::string& icon, double cx, double cy,
                     LAYOUT_COLOUR colour);
};
