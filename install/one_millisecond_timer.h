// Win32 only: the system timer at 1 ms for the life of the object.
//
// The engine gives up the processor for 1 ms for each file, so that the machine
// stays responsive while a large package installs. Sleep(1) lasts until the next
// tick of the system timer, 15.6 ms by default: without this, a package of 2,000
// files would spend half a minute in pauses instead of two seconds.
#pragma once

#include <windows.h>
#include <mmsystem.h>

class OneMillisecondTimer {
public:
    OneMillisecondTimer() : m_raised(timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~OneMillisecondTimer() {
        if (m_raised) timeEndPeriod(1);
    }
    OneMillisecondTimer(const OneMillisecondTimer&) = delete;
    OneMillisecondTimer& operator=(const OneMillisecondTimer&) = delete;

private:
    bool m_raised;
};
