// Root of the toolkit's reference-counted objects (views, bitmaps, fonts, menu items, paths).
// A new object holds one reference, owned by its creator; remember() adds one, forget()
// drops one and deletes the object at zero. Reference counts are UI-thread only.
#pragma once

#include "Types.h"

namespace VSTGUI
{

class CBaseObject
{
public:
    CBaseObject();
    // A copy starts with its own single reference.
    CBaseObject(const CBaseObject&);
    CBaseObject& operator=(const CBaseObject&) = delete;
    virtual ~CBaseObject();

    void remember()
    {
        ++m_nbReference;
    }
    void forget();
    int getNbReference() const
    {
        return m_nbReference;
    }

    // True for this class's own name and every base class's name ("CBaseObject" here).
    virtual bool isTypeOf(const char* type) const;
    // A fresh copy with one reference, or null when the class cannot be copied.
    virtual CBaseObject* newCopy() const
    {
        return nullptr;
    }
    // Generic message (timers send CVSTGUITimer::kMsgTimer). UI thread.
    virtual CMessageResult notify(CBaseObject* sender, const char* message);

    // Objects alive in the process: tests check that reference counts balance.
    static long GetLiveObjectCount();

private:
    int m_nbReference = 1;
};

// Compares type names; every isTypeOf override answers with its own name first.
bool IsSameTypeName(const char* a, const char* b);

} // namespace VSTGUI
