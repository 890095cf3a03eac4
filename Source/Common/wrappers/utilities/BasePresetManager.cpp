#include "BasePresetManager.h"

#include "Platform/Platform.h"

#include <algorithm>
#include <cstring>

namespace
{
bool BytesBefore(const std::string& a, const std::string& b)
{
    const size_t common = std::min(a.size(), b.size());
    const int order = std::memcmp(a.data(), b.data(), common); // compares unsigned bytes
    return order != 0 ? order < 0 : a.size() < b.size();
}

// Replaces each `pair` by its first half, scanning on just after each
// replacement; pairs starting before `firstPosition` stay.
void CollapsePairs(std::string& path, const char* pair, size_t firstPosition)
{
    size_t position = 0;
    while ((position = path.find(pair, position)) != std::string::npos)
    {
        if (position < firstPosition)
        {
            ++position;
            continue;
        }
        path.erase(position, 1);
        ++position;
    }
}
} // namespace

bool CBasePresetManager::category_sort_predicate(const CPresetCategory& a,
                                                 const CPresetCategory& b)
{
    return BytesBefore(a.name, b.name);
}

bool CBasePresetManager::info_sort_predicate(const CPresetInfo& a, const CPresetInfo& b)
{
    return BytesBefore(a.name, b.name);
}

std::string CBasePresetManager::NormalisePath(std::string path)
{
    CollapsePairs(path, "//", 0);
    CollapsePairs(path, "\\\\", 2);
    return path;
}

void CBasePresetManager::RebuildPresetVector(const char* libraryFolder, const char* extension)
{
    m_presets.clear();
    m_categories.clear();
    if (!libraryFolder || !extension)
        return;
    const std::string library = libraryFolder;
    if (library.size() > kMaxPathLength)
        return;

    std::vector<Platform::DIRECTORY_ENTRY> entries;
    if (!Platform::ListDirectory(library, entries))
        return;
    for (const Platform::DIRECTORY_ENTRY& entry : entries)
    {
        if (entry.isFolder && entry.name[0] != '.')
            m_categories.push_back(CPresetCategory{entry.name});
    }
    std::sort(m_categories.begin(), m_categories.end(), category_sort_predicate);

    // The category list is complete: its elements keep their addresses from here on.
    const size_t extensionLength = std::strlen(extension);
    for (const CPresetCategory& category : m_categories)
    {
        const std::string folder = library + "/" + category.name + "/";
        if (folder.size() > kMaxPathLength || !Platform::ListDirectory(folder, entries))
            continue;
        // By file name first, so that presets of equal names keep one order whatever
        // order the system lists them in.
        std::sort(entries.begin(), entries.end(),
                  [](const Platform::DIRECTORY_ENTRY& a, const Platform::DIRECTORY_ENTRY& b)
                  { return BytesBefore(a.name, b.name); });
        std::vector<CPresetInfo> presets;
        for (const Platform::DIRECTORY_ENTRY& entry : entries)
        {
            if (entry.name.find(extension) == std::string::npos)
                continue;
            const std::string path = library + "/" + category.name + "/" + entry.name;
            if (path.size() > kMaxPathLength)
                continue;
            CPresetInfo info;
            info.path = NormalisePath(path);
            info.name = entry.name.substr(0, entry.name.size() - extensionLength);
            info.category = &category;
            presets.push_back(std::move(info));
        }
        std::stable_sort(presets.begin(), presets.end(), info_sort_predicate);
        m_presets.insert(m_presets.end(), presets.begin(), presets.end());
    }
}
