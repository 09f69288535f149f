#include "DemoScreen.h"

#include "VLib/vLogger.h"
#include "Vexa2/Engine/vEngine.h"

#include <dinput.h>

#include <string>

namespace
{
// The title's prefix; the frame count follows it directly.
const wchar_t* const TitlePrefix = L"Vexa2, FPS: ";
const float LightStep = 0.5f;
const size_t SwitchModeIndex = 3;

bool Held(const Vexa::VInput& input, int key)
{
    return (input.KeyState[key] & 0x80) != 0;
}

// Used for a mesh that brings no material: plain white, so a stale material of the
// previous mesh never leaks onto it.
D3DMATERIAL9 DefaultMaterial()
{
    D3DMATERIAL9 material = {};
    material.Diffuse.r = material.Diffuse.g = material.Diffuse.b = material.Diffuse.a = 1.0f;
    return material;
}
} // namespace

DemoScreen::DemoScreen()
    : EnginePtr(nullptr), InputLink(nullptr), RendererLink(nullptr), TimerLink(nullptr), Device(nullptr),
      MainCamera(InputLink, TimerLink), Particles(D3DXVECTOR3(0.0f, 2.0f, 20.0f), D3DXVECTOR3(0.0f, 10.0f, 0.0f),
                                                  D3DXVECTOR3(0.0f, -9.8f, 0.0f), 0.2f, &MainCamera, L"particle.bmp"),
      SceneLight(), TitleWindow(nullptr), TitleFrames(0)
{
}

int DemoScreen::OnLoad()
{
    if (EnginePtr == nullptr)
        return 1;
    Vexa::Engine& engine = *EnginePtr;

    TimerLink = &engine.TimerPtr;
    RendererLink = engine.RendererPtr->Device != nullptr ? &engine.RendererPtr : nullptr;
    Device = engine.RendererPtr->Device;

    engine.InputPtr->InitVInput();
    InputLink = engine.InputPtr->IsInitialized ? &engine.InputPtr : nullptr;

    if (Skull.LoadMesh(L"skullocc.x", Device) != 0)
        return 1;
    if (Venus.LoadMesh(L"venus.x", Device) != 0)
        return 1;
    if (LightMarker.LoadMesh(L"ball.x", Device) != 0)
        return 1;
    if (Tiny.LoadMesh(L"tiny.x", Device) != 0)
        return 1;
    if (Lizard.LoadMesh(L"lizardSIG.sdkmesh", Device) != 0)
        return 1;

    if (SceneEffect.LoadEffect(L"effect.fx", Device) != 0)
        return 1;
    if (LightEffect.LoadEffect(L"light.fx", Device) != 0)
        return 1;

    if (Particles.OnLoad(Device) != 0)
        return 1;

    D3DXMatrixTranslation(&Skull.World, 0.0f, -5.0f, 20.0f);
    const D3DXVECTOR3 venusScale(3.0f, 3.0f, 3.0f);
    const D3DXVECTOR3 venusPlace(20.0f, 0.0f, 0.0f);
    D3DXMatrixTransformation(&Venus.World, nullptr, nullptr, &venusScale, nullptr, nullptr, &venusPlace);
    D3DXQUATERNION tinyTurn;
    D3DXQuaternionRotationYawPitchRoll(&tinyTurn, 1.5707964f, -1.5707964f, 0.0f);
    const D3DXVECTOR3 tinyScale(0.03f, 0.03f, 0.03f);
    const D3DXVECTOR3 tinyPlace(-20.0f, 0.0f, 0.0f);
    D3DXMatrixTransformation(&Tiny.World, nullptr, nullptr, &tinyScale, nullptr, &tinyTurn, &tinyPlace);
    D3DXMatrixTranslation(&Lizard.World, 0.0f, 0.0f, -20.0f);

    SceneLight.Position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    SceneLight.Color = D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f);
    SceneLight.Factors = D3DXVECTOR3(0.0f, 0.05f, 0.0f);

    D3DXMatrixPerspectiveFovLH(&MainCamera.Projection, 0.7853982f, 1.3333334f, 0.1f, 100000.0f);
    return 0;
}

int DemoScreen::OnUpdate()
{
    MainCamera.Update();

    HWND window = EnginePtr != nullptr ? EnginePtr->Windows.Window : nullptr;
    const Vexa::VInput* input = InputLink != nullptr ? *InputLink : nullptr;

    // Without input there are no key commands; the scene still animates.
    if (input != nullptr)
    {
        if (Held(*input, DIK_ESCAPE) && window != nullptr)
            PostMessageW(window, WM_CLOSE, 0, 0);
        // F1/F2 use the fourth listed display mode. A shorter list (a display with fewer modes)
        // has no such mode, so the keys do nothing rather than pick a size nobody asked for.
        const Vexa::Renderer* renderer = RendererLink != nullptr ? *RendererLink : nullptr;
        const bool switchable = renderer != nullptr && renderer->DisplayModes.size() > SwitchModeIndex;
        if (switchable && Held(*input, DIK_F1))
            SwitchDisplayMode(renderer->DisplayModes[SwitchModeIndex], false);
        if (switchable && Held(*input, DIK_F2))
            SwitchDisplayMode(renderer->DisplayModes[SwitchModeIndex], true);

        if (Held(*input, DIK_UP))
            SceneLight.Position.z += LightStep;
        if (Held(*input, DIK_DOWN))
            SceneLight.Position.z -= LightStep;
        if (Held(*input, DIK_LEFT))
            SceneLight.Position.x -= LightStep;
        if (Held(*input, DIK_RIGHT))
            SceneLight.Position.x += LightStep;
        if (Held(*input, DIK_NEXT))
            SceneLight.Position.y -= LightStep;
        if (Held(*input, DIK_PRIOR))
            SceneLight.Position.y += LightStep;
    }

    const Vexa::Timer* timer = TimerLink != nullptr ? *TimerLink : nullptr;
    Particles.Update(timer != nullptr ? static_cast<float>(timer->ElapsedSeconds) : 0.0f);

    // The text changes at most once a second; setting it costs a round trip to the window
    // system, so it is only set when it differs from what this window last took.
    if (timer != nullptr && window != nullptr && (window != TitleWindow || timer->FramesPerSecond != TitleFrames))
    {
        const std::wstring title = TitlePrefix + VLib::UIntToWString(timer->FramesPerSecond);
        if (SetWindowTextW(window, title.c_str()))
        {
            TitleWindow = window;
            TitleFrames = timer->FramesPerSecond;
        }
    }
    return 0;
}

void DemoScreen::SwitchDisplayMode(Vexa::DisplayMode mode, bool fullScreen)
{
    if (RendererLink == nullptr || *RendererLink == nullptr)
        return;
    Vexa::Renderer& renderer = **RendererLink;

    if (fullScreen)
    {
        if (renderer.SetDisplayMode(mode, true, 1) == 0)
            renderer.ResetDevice();
    }
    else
    {
        renderer.SetDisplayMode(mode, false, 0);
        renderer.ResetDevice();
    }

    HWND window = EnginePtr != nullptr ? EnginePtr->Windows.Window : nullptr;
    if (window == nullptr)
        return;
    // The window takes the mode's size even when full screen was refused.
    if (fullScreen)
    {
        SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(WS_POPUP));
        SetWindowLongW(window, GWL_EXSTYLE, WS_EX_TOPMOST);
    }
    else
    {
        SetWindowLongW(window, GWL_STYLE, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
        SetWindowLongW(window, GWL_EXSTYLE, 0);
    }
    SetWindowPos(window, HWND_TOPMOST, 100, 100, static_cast<int>(mode.Width), static_cast<int>(mode.Height),
                 SWP_NOMOVE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

void DemoScreen::SetMeshMatrices(const Mesh& mesh)
{
    ID3DXEffect* fx = SceneEffect.Fx;
    D3DXMATRIX worldView, worldViewProj;
    D3DXMatrixMultiply(&worldView, &mesh.World, &MainCamera.View);
    fx->SetMatrix("g_mWorldView", &worldView);
    D3DXMatrixMultiply(&worldViewProj, &worldView, &MainCamera.Projection);
    fx->SetMatrix("g_mWorldViewProj", &worldViewProj);
}

void DemoScreen::SetMaterial(const Mesh& mesh)
{
    static const D3DMATERIAL9 fallback = DefaultMaterial();
    const D3DMATERIAL9& material = mesh.Materials.empty() ? fallback : mesh.Materials[0];
    SceneEffect.Fx->SetValue("g_material", &material, sizeof(D3DMATERIAL9));
}

void DemoScreen::DrawLitMesh(const Mesh& mesh, DWORD subsets)
{
    SetMeshMatrices(mesh);
    SetMaterial(mesh);
    for (DWORD subset = 0; subset < subsets; ++subset)
        SceneEffect.DrawMeshSubset(mesh, subset);
}

int DemoScreen::OnRender()
{
    ID3DXEffect* fx = SceneEffect.Fx;
    if (fx == nullptr || LightEffect.Fx == nullptr)
        return 0;
    const D3DXMATRIX& view = MainCamera.View;

    fx->SetTechnique("WithoutTexture");
    D3DXVec3TransformCoord(&SceneLight.ViewPosition, &SceneLight.Position, &view);
    fx->SetValue("g_light", &SceneLight.ViewPosition, 10 * sizeof(float));

    DrawLitMesh(Skull, 1);
    DrawLitMesh(Venus, 1);

    // Without a texture the textured technique would sample nothing and draw Tiny black.
    IDirect3DTexture9* tinyTexture = Tiny.Textures.empty() ? nullptr : Tiny.Textures[0];
    if (tinyTexture != nullptr)
    {
        fx->SetTechnique("WithTexture");
        SetMeshMatrices(Tiny);
        SetMaterial(Tiny);
        fx->SetTexture("g_texture", tinyTexture);
        SceneEffect.DrawMeshSubset(Tiny, 0);
    }
    else
    {
        DrawLitMesh(Tiny, 1);
    }

    fx->SetTechnique("WithoutTexture");
    DrawLitMesh(Lizard, 2);

    Particles.Render();

    D3DXMATRIX place, viewProj, marker;
    D3DXMatrixTranslation(&place, SceneLight.Position.x, SceneLight.Position.y, SceneLight.Position.z);
    D3DXMatrixMultiply(&viewProj, &view, &MainCamera.Projection);
    D3DXMatrixMultiply(&marker, &place, &viewProj);
    LightEffect.Fx->SetMatrix("g_mWorldViewProj", &marker);
    LightEffect.DrawMeshSubset(LightMarker, 0);
    return 0;
}

int DemoScreen::OnLost()
{
    if (SceneEffect.Fx != nullptr)
        SceneEffect.Fx->OnLostDevice();
    if (LightEffect.Fx != nullptr)
        LightEffect.Fx->OnLostDevice();
    Particles.OnLost();
    return 0;
}

int DemoScreen::OnReset()
{
    if (SceneEffect.Fx != nullptr)
        SceneEffect.Fx->OnResetDevice();
    if (LightEffect.Fx != nullptr)
        LightEffect.Fx->OnResetDevice();
    Particles.OnReset();
    return 0;
}

int DemoScreen::OnRelease()
{
    Particles.OnRelease();
    Lizard.ReleaseMesh();
    Tiny.ReleaseMesh();
    LightMarker.ReleaseMesh();
    Venus.ReleaseMesh();
    Skull.ReleaseMesh();
    if (SceneEffect.Fx != nullptr)
    {
        SceneEffect.Fx->Release();
        SceneEffect.Fx = nullptr;
    }
    if (LightEffect.Fx != nullptr)
    {
        LightEffect.Fx->Release();
        LightEffect.Fx = nullptr;
    }
    return 0;
}
