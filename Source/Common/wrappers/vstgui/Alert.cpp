#include "Alert.h"

namespace VSTGUI
{

namespace
{
IAlertProvider* s_provider = nullptr;
}

IAlertProvider* CAlert::SetProvider(IAlertProvider* provider)
{
    IAlertProvider* old = s_provider;
    s_provider = provider;
    return old;
}

IAlertProvider* CAlert::GetProvider()
{
    return s_provider;
}

bool CAlert::Show(const std::string& title, const std::string& message, bool withCancel)
{
    return s_provider == nullptr || s_provider->show(title, message, withCancel);
}

} // namespace VSTGUI
