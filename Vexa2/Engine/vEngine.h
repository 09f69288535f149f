#pragma once
// The one engine object: owns the subsystems and runs the main loop.
#include "vRenderer.h"
#include "vStatus.h"
#include "vTimer.h"
#include "vVInput.h"
#include "vWindowManager.h"

#include <windows.h>

namespace Vexa
{
class Engine
{
public:
    Engine();

    // Start-up before the loop: the window (created hidden, always windowed), the device, the
    // input's window and the current screen (may be null). 0, or the status of the failed
    // window or device creation.
    int Start(const Config& config, IScreen* screen);
    // Loads the screen, shows the window and loops until the quit message. 0, or the
    // status of a failed load.
    int Run();
    // One frame: draw (with focus), input, timer, screen update, Present.
    int Frame();
    // Input devices, Direct3D device and object released, window destroyed.
    void Shutdown();

    HWND MainWindow;
    WindowManager Windows;
    Renderer Graphics;
    Timer FrameTimer;
    VInput Input;
    VInput* const InputPtr;
    Renderer* const RendererPtr;
    Timer* const TimerPtr;

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
};

extern Engine TheEngine;
} // namespace Vexa
