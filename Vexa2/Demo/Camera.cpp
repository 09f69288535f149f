#include "Camera.h"

#include "Vexa2/Engine/vTimer.h"
#include "Vexa2/Engine/vVInput.h"

#include <dinput.h>

namespace
{
const float HalfPi = 1.5707964f;
const float Pi = 3.1415927f;

bool Held(const Vexa::VInput& input, int key)
{
    return (input.KeyState[key] & 0x80) != 0;
}
} // namespace

Camera::Camera(Vexa::VInput* const* const& inputRef, Vexa::Timer* const* const& timerRef)
    : Position(0.0f, 0.0f, 0.0f), Up(0.0f, 1.0f, 0.0f), Look(0.0f, 0.0f, 1.0f), Right(1.0f, 0.0f, 0.0f), Pitch(HalfPi),
      TurnSpeed(1.0f), MoveSpeed(10.0f), InputRef(inputRef), TimerRef(timerRef)
{
    D3DXMatrixIdentity(&Projection);
    D3DXMatrixIdentity(&View);
}

void Camera::Move(const D3DXVECTOR3& direction, float dt, float sign)
{
    // Each step is rounded to float before the next, whatever precision the FPU keeps.
    float step = direction.x * dt;
    step = step * MoveSpeed;
    Position.x += sign * step;
    step = direction.y * dt;
    step = step * MoveSpeed;
    Position.y += sign * step;
    step = direction.z * dt;
    step = step * MoveSpeed;
    Position.z += sign * step;
}

void Camera::Update()
{
    float dt = 0.0f;
    if (TimerRef != nullptr && *TimerRef != nullptr)
        dt = static_cast<float>((*TimerRef)->ElapsedSeconds);

    // Without input (DirectInput failed) the camera stays where it is but still builds its view.
    if (InputRef != nullptr && *InputRef != nullptr)
    {
        const Vexa::VInput& input = **InputRef;
        const float mx = input.MouseDeltaX;
        const float my = input.MouseDeltaY;

        // Movement uses last frame's axes; opposite keys cancel.
        if (Held(input, DIK_W))
            Move(Look, dt, 1.0f);
        if (Held(input, DIK_S))
            Move(Look, dt, -1.0f);
        if (Held(input, DIK_A))
            Move(Right, dt, -1.0f);
        if (Held(input, DIK_D))
            Move(Right, dt, 1.0f);

        // Left and right about the world's up axis.
        float angle = dt * mx;
        angle = angle * TurnSpeed;
        D3DXMATRIX rotation;
        D3DXVECTOR3 turned;
        D3DXMatrixRotationAxis(&rotation, &Up, angle);
        D3DXVec3TransformCoord(&turned, &Look, &rotation);
        D3DXVec3Normalize(&Look, &turned);
        D3DXVec3TransformCoord(&turned, &Right, &rotation);
        D3DXVec3Normalize(&Right, &turned);

        // Up and down about the camera's right vector, never past the poles.
        float delta = my * dt;
        delta = delta * TurnSpeed;
        const float pitch = Pitch + delta;
        if (pitch < 0.0f)
        {
            Look = Up;
            Pitch = 0.0f;
        }
        else if (static_cast<double>(pitch) > 3.1415927410125732)
        {
            Look = D3DXVECTOR3(-Up.x, -Up.y, -Up.z);
            Pitch = Pi;
        }
        else
        {
            Pitch = pitch;
            D3DXMatrixRotationAxis(&rotation, &Right, delta);
            D3DXVec3TransformCoord(&turned, &Look, &rotation);
            D3DXVec3Normalize(&Look, &turned);
        }
    }

    BuildView();
}

void Camera::BuildView()
{
    const D3DXVECTOR3& l = Look;
    const D3DXVECTOR3& r = Right;
    const D3DXVECTOR3& p = Position;
    const D3DXVECTOR3 u(l.y * r.z - l.z * r.y, l.z * r.x - l.x * r.z, l.x * r.y - l.y * r.x);

    View._11 = r.x;
    View._12 = u.x;
    View._13 = l.x;
    View._14 = 0.0f;
    View._21 = r.y;
    View._22 = u.y;
    View._23 = l.y;
    View._24 = 0.0f;
    View._31 = r.z;
    View._32 = u.z;
    View._33 = l.z;
    View._34 = 0.0f;
    View._41 = -(p.x * r.x + p.y * r.y + p.z * r.z);
    View._42 = -(p.x * u.x + p.y * u.y + p.z * u.z);
    View._43 = -(p.x * l.x + p.y * l.y + p.z * l.z);
    View._44 = 1.0f;
}
