#include "Clock_win.h"

#include <windows.h>

namespace vardex {

LocalTime Win32Clock::Now()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace vardex
