#pragma once
// Camera: the demo's free-look first-person viewpoint. W/S/A/D move it, the mouse turns it;
// every Update rebuilds View from Position, Look and Right.
#include <d3dx9.h>

namespace Vexa
{
class VInput;
class Timer;
} // namespace Vexa

class Camera
{
public:
    // The screen builds the camera before it knows the engine's input and timer, so the camera
    // keeps references to the screen's link fields and reads through them at every Update.
    Camera(Vexa::VInput* const* const& inputRef, Vexa::Timer* const* const& timerRef);

    void Update();

    D3DXMATRIX Projection;
    D3DXMATRIX View;
    D3DXVECTOR3 Position;
    D3DXVECTOR3 Up;
    D3DXVECTOR3 Look;
    D3DXVECTOR3 Right;
    float Pitch; // angle between Look and Up, within [0, pi]
    float TurnSpeed;
    float MoveSpeed; // world units per second
    Vexa::VInput* const* const& InputRef;
    Vexa::Timer* const* const& TimerRef;

private:
    void Move(const D3DXVECTOR3& direction, float dt, float sign);
    void BuildView();
};
