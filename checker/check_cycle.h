// One complete check of the mailbox, run on a worker thread of its own.
#pragma once

#include <windows.h>

#include "checker/logic/settings_record.h"

namespace mailwick {

// Dial-up stage, scan, notification, "UIDL", "LastCheck" and "LastStatus", hang-up.
// Sets CheckIdle again on every path. 1 after a failed dial, else 0.
int CheckCycle(const Settings& settings);

// Hands CheckCycle, with its own copy of the settings, to the check worker: one thread
// kept between checks, made by the first one. False when it could not be made. Main
// thread only, and only while no check runs.
bool StartCheckWorker(const Settings& settings);

// Has the kept worker end once no check runs any more, and waits up to timeoutMs for
// its thread to end. True when no worker thread is left. Main thread only.
bool StopCheckWorker(DWORD timeoutMs);

// Waits up to timeoutMs for a running check to end, handling meanwhile the messages other
// threads send this one: the worker waits on the main window for its status text, rows
// and new-mail batch, so a plain sleep would hold it for the whole time. True when no
// check runs any more.
bool WaitForCheckEnd(DWORD timeoutMs);

// Test seam: how the worker thread is created when none is kept (CreateThread unless replaced; nullptr
// restores it). Returns the function it replaces.
using CreateThreadFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                             LPDWORD);
CreateThreadFunction SetCreateThreadFunction(CreateThreadFunction function);

}  // namespace mailwick
