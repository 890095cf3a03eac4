#include "Resources.h"

#include <cstring>
#include <vector>

namespace VSTGUI
{

namespace
{
struct RESOURCE_TABLE
{
    const RESOURCE_ENTRY* entries;
    int count;
};

std::vector<RESOURCE_TABLE>& Tables()
{
    static std::vector<RESOURCE_TABLE> tables;
    return tables;
}
} // namespace

void RegisterResources(const RESOURCE_ENTRY* entries, int count)
{
    if (entries != nullptr && count > 0)
    {
        Tables().push_back({entries, count});
    }
}

void UnregisterAllResources()
{
    Tables().clear();
}

const RESOURCE_ENTRY* FindResource(const char* name, int scale)
{
    if (name == nullptr)
    {
        return nullptr;
    }
    const auto& tables = Tables();
    // Later tables win: walk them backwards.
    for (auto table = tables.rbegin(); table != tables.rend(); ++table)
    {
        for (int i = 0; i < table->count; ++i)
        {
            const RESOURCE_ENTRY& entry = table->entries[i];
            if (entry.scale == scale && entry.name != nullptr && entry.data != nullptr &&
                std::strcmp(entry.name, name) == 0)
            {
                return &entry;
            }
        }
    }
    return nullptr;
}

} // namespace VSTGUI
