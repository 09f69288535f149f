// Placeholder entry point until the engine lands.
#include "VLib/vLogger.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (VLib::Logger::Initialize(L"myLog.log") != 0)
        MessageBoxW(nullptr, L"Cannot initialize Logger", L"Error", MB_OK);
    return 0;
}
