// The free-look camera on its own: no device, input and timer set by hand.
#include "Vexa2/Demo/Camera.h"
#include "Vexa2/Engine/vTimer.h"
#include "Vexa2/Engine/vVInput.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
class CameraTest : public ::testing::Test
{
protected:
    CameraTest() : InputLink(&InputPtr), TimerLink(&TimerPtr), Cam(InputLink, TimerLink)
    {
        InputPtr = &Input;
        TimerPtr = &Clock;
        Clock.ElapsedSeconds = 1.0 / 60.0;
    }

    void Hold(int key) { Input.KeyState[key] = 0x80; }
    void Frames(int count, double seconds)
    {
        Clock.ElapsedSeconds = seconds;
        for (int i = 0; i < count; ++i)
            Cam.Update();
    }

    Vexa::VInput Input;
    Vexa::Timer Clock;
    Vexa::VInput* InputPtr;
    Vexa::Timer* TimerPtr;
    Vexa::VInput* const* InputLink;
    Vexa::Timer* const* TimerLink;
    Camera Cam;
};

void ExpectMatrixEq(const D3DXMATRIX& expected, const D3DXMATRIX& actual)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(expected(r, c), actual(r, c)) << "row " << r << " column " << c;
}

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tolerance)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(expected(r, c), actual(r, c), tolerance) << "row " << r << " column " << c;
}

D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

// The documented step: (component x dt) x speed, every product rounded to float.
float Stepped(float position, float component, float dt, float speed, int frames, float sign)
{
    volatile float p = position;
    for (int i = 0; i < frames; ++i)
    {
        volatile float step = component * dt;
        step = step * speed;
        p = p + sign * step;
    }
    return p;
}
} // namespace

TEST_F(CameraTest, StartsLevelAtTheOriginWithIdentityMatrices)
{
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), Cam.Position);
    EXPECT_EQ(D3DXVECTOR3(0, 1, 0), Cam.Up);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 1), Cam.Look);
    EXPECT_EQ(D3DXVECTOR3(1, 0, 0), Cam.Right);
    EXPECT_EQ(1.5707964f, Cam.Pitch);
    EXPECT_EQ(1.0f, Cam.TurnSpeed);
    EXPECT_EQ(10.0f, Cam.MoveSpeed);
    ExpectMatrixEq(Identity(), Cam.View);
    ExpectMatrixEq(Identity(), Cam.Projection);
}

TEST_F(CameraTest, UpdateWithoutKeysOrMouseKeepsEverythingAndBuildsIdentityView)
{
    Cam.View._11 = 7.0f; // must be rebuilt
    Frames(3, 0.25);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), Cam.Position);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 1), Cam.Look);
    EXPECT_EQ(D3DXVECTOR3(1, 0, 0), Cam.Right);
    EXPECT_EQ(1.5707964f, Cam.Pitch);
    ExpectMatrixEq(Identity(), Cam.View);
}

TEST_F(CameraTest, SeesTheInputOnlyOnceTheLinkIsSet)
{
    // Constructed with a null link (as in the screen before OnLoad): no movement, still a view.
    Vexa::VInput* const* noInput = nullptr;
    Camera early(noInput, TimerLink);
    Hold(DIK_W);
    Input.MouseDeltaX = 50.0f;
    early.Position = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
    early.Update();
    EXPECT_EQ(D3DXVECTOR3(1.0f, 2.0f, 3.0f), early.Position);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 1), early.Look);
    EXPECT_EQ(-1.0f, early.View._41);
    EXPECT_EQ(-2.0f, early.View._42);
    EXPECT_EQ(-3.0f, early.View._43);

    noInput = &InputPtr; // the camera reads the field itself
    Input.MouseDeltaX = 0.0f;
    early.Update();
    EXPECT_GT(early.Position.z, 3.0f);
}

TEST_F(CameraTest, HoldingWForOneSecondMovesTenUnitsAtAnyFrameRate)
{
    for (int fps : {10, 30, 60, 144, 1000})
    {
        Camera cam(InputLink, TimerLink);
        Input.KeyState[DIK_W] = 0x80;
        Clock.ElapsedSeconds = 1.0 / fps;
        for (int i = 0; i < fps; ++i)
            cam.Update();
        const float dt = static_cast<float>(1.0 / fps);
        EXPECT_EQ(Stepped(0.0f, 1.0f, dt, 10.0f, fps, 1.0f), cam.Position.z) << fps << " fps";
        EXPECT_NEAR(10.0f, cam.Position.z, 1e-3f) << fps << " fps";
        EXPECT_EQ(0.0f, cam.Position.x);
        EXPECT_EQ(0.0f, cam.Position.y);
        EXPECT_EQ(-cam.Position.z, cam.View._43);
    }
}

TEST_F(CameraTest, OppositeKeysCancel)
{
    Hold(DIK_W);
    Hold(DIK_S);
    Hold(DIK_A);
    Hold(DIK_D);
    Frames(50, 0.02);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), Cam.Position);
    ExpectMatrixEq(Identity(), Cam.View);
}

TEST_F(CameraTest, SAndAAndDMoveAlongLookAndRight)
{
    Hold(DIK_S);
    Frames(4, 0.5);
    EXPECT_EQ(Stepped(0.0f, 1.0f, 0.5f, 10.0f, 4, -1.0f), Cam.Position.z);
    EXPECT_EQ(-20.0f, Cam.Position.z);
    Input.KeyState[DIK_S] = 0;

    Hold(DIK_D);
    Frames(2, 0.5);
    EXPECT_EQ(10.0f, Cam.Position.x);
    Input.KeyState[DIK_D] = 0;
    Hold(DIK_A);
    Frames(3, 0.5);
    EXPECT_EQ(-5.0f, Cam.Position.x);
    EXPECT_EQ(0.0f, Cam.Position.y);
}

TEST_F(CameraTest, OnlyBitSevenCountsAsHeld)
{
    Input.KeyState[DIK_W] = 0x7F;
    Frames(5, 0.1);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), Cam.Position);
}

TEST_F(CameraTest, MouseRightTurnsTheViewRightAboutTheWorldUpAxis)
{
    Input.MouseDeltaX = 30.0f;
    Frames(1, 0.01); // angle 0.3
    const float angle = 0.3f;
    EXPECT_NEAR(std::sin(angle), Cam.Look.x, 1e-6f);
    EXPECT_NEAR(0.0f, Cam.Look.y, 1e-6f);
    EXPECT_NEAR(std::cos(angle), Cam.Look.z, 1e-6f);
    EXPECT_NEAR(std::cos(angle), Cam.Right.x, 1e-6f);
    EXPECT_NEAR(-std::sin(angle), Cam.Right.z, 1e-6f);
    EXPECT_EQ(1.5707964f, Cam.Pitch);

    // Level camera: the view is the same as a look-at along Look.
    D3DXMATRIX expected;
    const D3DXVECTOR3 at = Cam.Position + Cam.Look;
    D3DXMatrixLookAtLH(&expected, &Cam.Position, &at, &Cam.Up);
    ExpectMatrixNear(expected, Cam.View, 1e-6f);
}

TEST_F(CameraTest, TheSameMouseMovementTurnsFurtherAtALowerFrameRate)
{
    Camera fast(InputLink, TimerLink);
    Input.MouseDeltaX = 10.0f;
    Clock.ElapsedSeconds = 1.0 / 100.0;
    fast.Update();
    Clock.ElapsedSeconds = 1.0 / 10.0;
    Cam.Update();
    EXPECT_GT(Cam.Look.x, fast.Look.x);
    EXPECT_NEAR(std::sin(1.0f), Cam.Look.x, 1e-6f);
    EXPECT_NEAR(std::sin(0.1f), fast.Look.x, 1e-6f);
}

TEST_F(CameraTest, MouseDownPitchesDownAboutTheRightVector)
{
    Input.MouseDeltaY = 20.0f;
    Frames(1, 0.01); // delta 0.2
    EXPECT_FLOAT_EQ(1.5707964f + 0.2f, Cam.Pitch);
    EXPECT_NEAR(-std::sin(0.2f), Cam.Look.y, 1e-6f);
    EXPECT_NEAR(std::cos(0.2f), Cam.Look.z, 1e-6f);
    EXPECT_EQ(D3DXVECTOR3(1, 0, 0), Cam.Right);
}

TEST_F(CameraTest, PitchStopsExactlyAtStraightUpAndStaysOnTheAxisWhenTurning)
{
    Input.MouseDeltaY = -1000.0f;
    Frames(1, 0.01);
    EXPECT_EQ(0.0f, Cam.Pitch);
    EXPECT_EQ(D3DXVECTOR3(0, 1, 0), Cam.Look);
    Frames(5, 0.01); // further up: stays
    EXPECT_EQ(0.0f, Cam.Pitch);
    EXPECT_EQ(D3DXVECTOR3(0, 1, 0), Cam.Look);

    Input.MouseDeltaY = 0.0f;
    Input.MouseDeltaX = 40.0f;
    Frames(3, 0.01);
    EXPECT_NEAR(0.0f, Cam.Look.x, 1e-6f);
    EXPECT_NEAR(1.0f, Cam.Look.y, 1e-6f);
    EXPECT_NEAR(0.0f, Cam.Look.z, 1e-6f);
}

TEST_F(CameraTest, PitchStopsExactlyAtStraightDown)
{
    Input.MouseDeltaY = 1000.0f;
    Frames(1, 0.01);
    EXPECT_EQ(3.1415927f, Cam.Pitch);
    EXPECT_EQ(D3DXVECTOR3(0, -1, 0), Cam.Look);
    Input.MouseDeltaY = 0.0f;
    Input.MouseDeltaX = -40.0f;
    Frames(2, 0.01);
    EXPECT_NEAR(0.0f, Cam.Look.x, 1e-6f);
    EXPECT_NEAR(-1.0f, Cam.Look.y, 1e-6f);
    EXPECT_NEAR(0.0f, Cam.Look.z, 1e-6f);
    EXPECT_EQ(3.1415927f, Cam.Pitch);
}

TEST_F(CameraTest, ViewHoldsRightUpLookAsColumnsAndTheNegatedDotsInTheLastRow)
{
    // Look and Right set by hand, not orthogonal: the view uses them as they are.
    Cam.Look = D3DXVECTOR3(0.0f, 0.6f, 0.8f);
    Cam.Right = D3DXVECTOR3(0.8f, 0.0f, -0.6f);
    Cam.Position = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
    Frames(1, 0.0);
    const D3DXVECTOR3 l = Cam.Look, r = Cam.Right, p = Cam.Position;
    const D3DXVECTOR3 u(l.y * r.z - l.z * r.y, l.z * r.x - l.x * r.z, l.x * r.y - l.y * r.x);
    const D3DXMATRIX expected(r.x, u.x, l.x, 0.0f, r.y, u.y, l.y, 0.0f, r.z, u.z, l.z, 0.0f,
                              -(p.x * r.x + p.y * r.y + p.z * r.z), -(p.x * u.x + p.y * u.y + p.z * u.z),
                              -(p.x * l.x + p.y * l.y + p.z * l.z), 1.0f);
    ExpectMatrixNear(expected, Cam.View, 1e-6f);
    // The eye maps to the view-space origin.
    D3DXVECTOR3 eye;
    D3DXVec3TransformCoord(&eye, &p, &Cam.View);
    EXPECT_NEAR(0.0f, eye.x, 1e-5f);
    EXPECT_NEAR(0.0f, eye.y, 1e-5f);
    EXPECT_NEAR(0.0f, eye.z, 1e-5f);
}
