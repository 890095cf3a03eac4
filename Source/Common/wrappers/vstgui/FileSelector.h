// Asking the user for a file. The toolkit only defines the question; the plug-in's platform
// layer installs the provider that asks (a desktop dialog), tests install scripted ones.
// Without a provider every question is answered "cancelled". UI thread only.
#pragma once

#include <string>

namespace VSTGUI
{

class IFileSelectorProvider
{
public:
    virtual ~IFileSelectorProvider() = default;
    // filterText: a description such as "Preset files (*.prg)"; extension: ".prg" (may be
    // empty); initialFolder: where the dialog starts (may be empty). True and the path when
    // the user chose a file.
    virtual bool open(const std::string& title, const std::string& filterText,
                      const std::string& extension, const std::string& initialFolder,
                      std::string& path) = 0;
    // As open, with a proposed file name. CFileSelector::Save adds the extension when the
    // chosen name lacks it.
    virtual bool save(const std::string& title, const std::string& filterText,
                      const std::string& extension, const std::string& initialFolder,
                      const std::string& proposedName, std::string& path) = 0;
};

class CFileSelector
{
public:
    // Installs the process-wide provider (not owned; null removes it) and answers the old one.
    static IFileSelectorProvider* SetProvider(IFileSelectorProvider* provider);
    static IFileSelectorProvider* GetProvider();

    static bool Open(const std::string& title, const std::string& filterText,
                     const std::string& extension, const std::string& initialFolder,
                     std::string& path);
    static bool Save(const std::string& title, const std::string& filterText,
                     const std::string& extension, const std::string& initialFolder,
                     const std::string& proposedName, std::string& path);
};

} // namespace VSTGUI
