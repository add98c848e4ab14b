// Win32 only: the system timer at 1 ms for the life of the object.
//
// The engine gives up the processor for 1 ms for each file, so that the machine
// stays responsive while a large package installs. Sleep(1) lasts until the next
// tick of the system timer, 15.6 ms by default: without this, a package of 2,000
// files would spend half a minute in pauses instead of two seconds. The timer
// belongs to winmm.dll, which is no known DLL of Windows: it is loaded here, from
// the system folder, rather than imported (an import would be looked for in the
// program's folder first).
#pragma once

#include <windows.h>

#include "common/system_library.h"

class OneMillisecondTimer {
public:
    OneMillisecondTimer() : m_winmm("winmm.dll") {
        auto begin = m_winmm.Export<TimePeriodFunction>("timeBeginPeriod");
        m_end = m_winmm.Export<TimePeriodFunction>("timeEndPeriod");
        m_raised = begin && m_end && begin(1) == kTimerNoError;
    }
    ~OneMillisecondTimer() {
        if (m_raised) m_end(1);
    }
    OneMillisecondTimer(const OneMillisecondTimer&) = delete;
    OneMillisecondTimer& operator=(const OneMillisecondTimer&) = delete;

private:
    using TimePeriodFunction = UINT(WINAPI*)(UINT);
    static constexpr UINT kTimerNoError = 0;  // TIMERR_NOERROR

    tw::SystemLibrary m_winmm;
    TimePeriodFunction m_end = nullptr;
    bool m_raised = false;
};
