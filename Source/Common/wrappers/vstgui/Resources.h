// Images compiled into the plug-in: a generated table of PNG byte arrays, found by file name
// ("Background.png"). Each name may come at scale 1 and scale 2; drawing at a scale above 1
// uses the 2x image (drawn at half size), else the 1x one. No file paths at run time.
#pragma once

namespace VSTGUI
{

struct RESOURCE_ENTRY
{
    const char* name;          // file name, for example "Background.png"
    int scale;                 // 1 or 2
    const unsigned char* data; // PNG bytes; must outlive the process's use of them (static)
    unsigned long size;        // bytes
};

// Adds a table of resources (not copied: the entries must stay valid). A later table wins for
// a name and scale that already exist. UI thread, before any CBitmap of those names loads.
void RegisterResources(const RESOURCE_ENTRY* entries, int count);
// Forgets every registered table (tests). Bitmaps already decoded keep their pixels.
void UnregisterAllResources();
// The entry for name at scale 1 or 2, or null.
const RESOURCE_ENTRY* FindResource(const char* name, int scale);

} // namespace VSTGUI
