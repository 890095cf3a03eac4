// Scans a preset library folder into the lists a preset browser shows: the
// categories (one per subfolder whose name does not begin with ".") and, per
// category, the files whose names contain the library's extension. Names are
// ordered byte by byte (unsigned), so upper-case sorts before lower-case. Only
// directory listings are read, never file contents. User-interface thread only.
#pragma once

#include <string>
#include <vector>

// One category: the subfolder's name as the folder listing gives it.
struct CPresetCategory
{
    std::string name;
};

// One preset file of a category.
struct CPresetInfo
{
    std::string path; // library folder, category and file name joined by "/", normalised
    std::string name; // the file name without as many bytes at its end as the extension has
    // The category it was found in, an element of the manager's category list
    // (valid until the next rebuild).
    const CPresetCategory* category = nullptr;
};

class CBasePresetManager
{
public:
    // Longest path the scan composes, in bytes (the paths live in 1024-byte buffers
    // with their terminator). A longer library path gives empty lists, a longer
    // category folder no presets for it, and a longer preset path is not listed:
    // nothing is ever cut into a different path.
    static constexpr size_t kMaxPathLength = 1023;

    virtual ~CBasePresetManager() = default;

    // Rescans `libraryFolder` for files containing `extension` (e.g. ".prg"). Both
    // lists are replaced; an unreadable library leaves both empty and an unreadable
    // category keeps its entry with no presets. Presets are grouped by category in
    // category order and sorted by name within each.
    void RebuildPresetVector(const char* libraryFolder, const char* extension);

    const std::vector<CPresetInfo>& GetPresetInfoVector() const { return m_presets; }
    const std::vector<CPresetCategory>& GetPresetCategoryVector() const { return m_categories; }

    // Byte-wise order of the names (unsigned bytes; a prefix sorts first).
    static bool category_sort_predicate(const CPresetCategory& a, const CPresetCategory& b);
    static bool info_sort_predicate(const CPresetInfo& a, const CPresetInfo& b);

    // "//" becomes "/" (the scan goes on just after each replacement), then "\\\\"
    // becomes "\\" except for a pair starting at byte 0 or 1 (a network path's start).
    static std::string NormalisePath(std::string path);

private:
    std::vector<CPresetInfo> m_presets;
    std::vector<CPresetCategory> m_categories;
};
