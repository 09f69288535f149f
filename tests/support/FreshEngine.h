#pragma once
// The engine's process-wide state as a fresh process has it, for cases that share one process:
// an empty message queue (a case that stopped before its loop took the quit message leaves it
// there), no close pending, the focus held, no screen, and a new frame timer whose next tick
// measures a near-zero step (the clocks' first-call flags are process-wide, so only the first
// case of a process would get that from the timer itself).
#include "Vexa2/Engine/vEngine.h"
#include "Vexa2/Engine/vWindowManager.h"

#include <windows.h>

inline void StartFromAFreshProcessState(Vexa::Engine& engine)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
    }
    Vexa::CloseRequested = false;
    Vexa::HasFocus = true;
    engine.Graphics.CurrentScreen = nullptr;
    engine.FrameTimer = Vexa::Timer();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    engine.FrameTimer.LastCount =
        engine.FrameTimer.HasPerformanceCounter ? static_cast<std::uint64_t>(now.QuadPart) : GetTickCount();
}
