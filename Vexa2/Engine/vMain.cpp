// Process entry: opens the log, creates the window and the device, runs the main loop.
#include "Vexa2/Demo/DemoScreen.h"
#include "vEngine.h"
#include "VLib/vLogger.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Without a log the program still runs; every log write is then dropped.
    if (VLib::Logger::Initialize(L"myLog.log") != 0)
        MessageBoxW(nullptr, L"Cannot initialize Logger", L"Error", MB_OK);

    Vexa::Config config = Vexa::StartupConfig();
    Vexa::Engine& engine = Vexa::TheEngine;

    // A local object, constructed before the window, so that it is destroyed on every return path.
    DemoScreen screen;

    if (engine.Start(config, &screen) != 0)
        return 1;
    screen.EnginePtr = &engine;

    // A failure inside the loop has been logged and shut down already: the exit code stays 0.
    engine.Run();
    return 0;
}
