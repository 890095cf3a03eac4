#include "LookupTables.h"

#include <mutex>

void LookupTables::Initialize()
{
    static std::once_flag once;
    std::call_once(once, [] {
        FillTuneTable();
        FillExpTable();
    });
}
