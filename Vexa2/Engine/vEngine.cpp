#include "vEngine.h"

#include "VLib/vLogger.h" // ahead of TheEngine: the log is constructed before it and outlives it

namespace Vexa
{
Engine TheEngine;

Engine::Engine() : MainWindow(nullptr), InputPtr(&Input), RendererPtr(&Graphics), TimerPtr(&FrameTimer)
{
}

int Engine::Start(const Config& config, IScreen* screen)
{
    // Always created windowed; a screen switches to full screen itself.
    const int windowStatus = Windows.InitWindow(&config.Width, false);
    if (windowStatus != StatusOk)
        return windowStatus;

    MainWindow = Windows.Window;
    const int deviceStatus = Graphics.Init(config, MainWindow);
    if (deviceStatus != StatusOk)
        return deviceStatus;

    Input.FocusWindow = MainWindow;
    Graphics.CurrentScreen = screen;
    return StatusOk;
}

int Engine::Run()
{
    const int loadStatus = Graphics.OnLoad();
    if (loadStatus != StatusOk)
    {
        // What the screen loaded before it failed still holds the device: it lets go here, while
        // the window lives, as on every other way out.
        Graphics.OnRelease();
        Shutdown();
        return loadStatus;
    }

    ShowWindow(MainWindow, SW_SHOW);

    // Messages come first: a frame is stepped only on a pass that found the queue empty.
    bool running = true;
    bool shutDown = false;
    while (running)
    {
        switch (Windows.PumpMessage())
        {
        case 0:
            running = false;
            break;
        case 1:
            // After a failed frame only messages are pumped until the quit message arrives.
            if (!shutDown && Frame() != StatusOk)
            {
                shutDown = true;
                Graphics.OnRelease();
                Shutdown();
            }
            break;
        case 3:
            // Close pending: release and shut down once; the quit message that DestroyWindow
            // posts then ends the loop.
            if (!shutDown)
            {
                shutDown = true;
                Graphics.OnRelease();
                Shutdown();
            }
            break;
        default:
            break;
        }
    }
    return StatusOk;
}

int Engine::Frame()
{
    if (HasFocus)
        Graphics.Render();
    Input.Update();
    if (FrameTimer.HasPerformanceCounter)
        FrameTimer.TickPerformanceCounter();
    else
        FrameTimer.TickMilliseconds();
    if (Graphics.CurrentScreen != nullptr)
        Graphics.CurrentScreen->OnUpdate();

    // Also when nothing was drawn; only a lost device matters here.
    if (Graphics.Device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST)
    {
        const int status = Graphics.ResetDevice();
        if (status != StatusOk)
            return status;
    }
    return StatusOk;
}

void Engine::Shutdown()
{
    Input.ReleaseDevices();
    Graphics.Release();
    DestroyWindow(MainWindow);
}
} // namespace Vexa
