#pragma once
// A screen the renderer drives through the device's life. Slot order is fixed.

namespace Vexa
{
class IScreen
{
public:
    virtual int OnRender() = 0;  // between BeginScene and EndScene; result ignored
    virtual int OnUpdate() = 0;  // once per frame after the timer tick; result ignored
    virtual int OnLost() = 0;    // release what a device reset requires released
    virtual int OnReset() = 0;   // re-create it after every reset (and once after loading)
    virtual int OnLoad() = 0;    // create what survives a reset
    virtual int OnRelease() = 0; // release what OnLoad created

protected:
    // The owner destroys the concrete object; never deleted through this interface.
    ~IScreen() = default;
};
} // namespace Vexa
