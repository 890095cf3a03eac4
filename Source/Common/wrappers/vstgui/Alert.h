// Showing the user a message. The plug-in's platform layer installs the provider that shows it
// (a desktop dialog), tests install scripted ones. Without a provider an alert answers "OK"
// (true). UI thread only.
#pragma once

#include <string>

namespace VSTGUI
{

class IAlertProvider
{
public:
    virtual ~IAlertProvider() = default;
    // Shows title and message; with withCancel offers OK and Cancel. True for OK.
    virtual bool show(const std::string& title, const std::string& message, bool withCancel) = 0;
};

class CAlert
{
public:
    // Installs the process-wide provider (not owned; null removes it) and answers the old one.
    static IAlertProvider* SetProvider(IAlertProvider* provider);
    static IAlertProvider* GetProvider();
    static bool Show(const std::string& title, const std::string& message, bool withCancel = false);
};

} // namespace VSTGUI
