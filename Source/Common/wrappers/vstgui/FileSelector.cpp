#include "FileSelector.h"

namespace VSTGUI
{

namespace
{
IFileSelectorProvider* s_provider = nullptr;
}

IFileSelectorProvider* CFileSelector::SetProvider(IFileSelectorProvider* provider)
{
    IFileSelectorProvider* old = s_provider;
    s_provider = provider;
    return old;
}

IFileSelectorProvider* CFileSelector::GetProvider()
{
    return s_provider;
}

bool CFileSelector::Open(const std::string& title, const std::string& filterText,
                         const std::string& extension, const std::string& initialFolder,
                         std::string& path)
{
    std::string chosen;
    if (s_provider == nullptr ||
        !s_provider->open(title, filterText, extension, initialFolder, chosen) || chosen.empty())
    {
        return false;
    }
    path = chosen;
    return true;
}

bool CFileSelector::Save(const std::string& title, const std::string& filterText,
                         const std::string& extension, const std::string& initialFolder,
                         const std::string& proposedName, std::string& path)
{
    std::string chosen;
    if (s_provider == nullptr ||
        !s_provider->save(title, filterText, extension, initialFolder, proposedName, chosen) ||
        chosen.empty())
    {
        return false;
    }
    // The extension the user left out.
    if (!extension.empty() &&
        (chosen.size() < extension.size() ||
         chosen.compare(chosen.size() - extension.size(), extension.size(), extension) != 0))
    {
        chosen += extension;
    }
    path = chosen;
    return true;
}

} // namespace VSTGUI
