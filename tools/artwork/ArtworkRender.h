// One bitmap of the layout table's list, drawn at a scale and encoded as PNG.
// Generator thread only.
#pragma once

#include "Gui/EditorLayout.h"

#include <string>
#include <vector>

// PNG bytes of bitmap at scale (1 or 2); empty on failure. Texts that do not fit their
// places are added to warnings.
std::vector<unsigned char> RenderArtworkPng(const LAYOUT_BITMAP& bitmap, int scale,
                                            std::vector<std::string>& warnings);
