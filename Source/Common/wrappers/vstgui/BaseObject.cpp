#include "BaseObject.h"

#include <atomic>
#include <cstring>

namespace VSTGUI
{

namespace
{
std::atomic<long> s_liveObjects{0};
}

CBaseObject::CBaseObject()
{
    s_liveObjects.fetch_add(1, std::memory_order_relaxed);
}

CBaseObject::CBaseObject(const CBaseObject&) : m_nbReference(1)
{
    s_liveObjects.fetch_add(1, std::memory_order_relaxed);
}

CBaseObject::~CBaseObject()
{
    s_liveObjects.fetch_sub(1, std::memory_order_relaxed);
}

void CBaseObject::forget()
{
    if (--m_nbReference == 0)
    {
        delete this;
    }
}

bool CBaseObject::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseObject");
}

CMessageResult CBaseObject::notify(CBaseObject* /*sender*/, const char* /*message*/)
{
    return kMessageUnknown;
}

long CBaseObject::GetLiveObjectCount()
{
    return s_liveObjects.load(std::memory_order_relaxed);
}

bool IsSameTypeName(const char* a, const char* b)
{
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

} // namespace VSTGUI
