#pragma once
// Drives the current screen through the device's life: load, draw, lost/reset, release.
#include "Vexa2/Engine/Renderer/vDeviceManager.h"
#include "vIScreen.h"

namespace Vexa
{
class Renderer : public DeviceManager
{
public:
    Renderer();

    // Clear, BeginScene, the screen's OnRender, EndScene. Present is Frame's job.
    void Render();
    // Screen OnLoad then OnReset. 0, StatusScreenResetFailed or StatusScreenLoadFailed.
    int OnLoad();
    // Screen OnLost then OnRelease. 0, StatusScreenLostFailed or StatusScreenReleaseFailed.
    int OnRelease();
    // Screen OnLost, device reset, screen OnReset. Hides DeviceManager::ResetDevice.
    int ResetDevice();

    IScreen* CurrentScreen; // not owned
};
} // namespace Vexa
