#pragma once
// DemoScreen: the demo scene. Four lit models, a ball marking the one movable point light,
// a free-look camera and a particle fountain; Escape closes, F1/F2 switch window/full screen.
#include "Camera.h"
#include "Vexa2/Resources/Effect.h"
#include "Vexa2/Resources/Mesh_SDKMesh.h"
#include "Vexa2/Resources/Mesh_X.h"
#include "ParticleManager.h"
#include "Vexa2/Engine/Renderer/vDeviceManager.h"
#include "Vexa2/Engine/vIScreen.h"

#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>

namespace Vexa
{
class Engine;
class Renderer;
class Timer;
class VInput;
} // namespace Vexa

// The scene's light. The ten floats from ViewPosition on are "g_light" of "effect.fx".
struct Light
{
    D3DXVECTOR3 Position;
    D3DXVECTOR3 ViewPosition;
    D3DXVECTOR4 Color;
    D3DXVECTOR3 Factors;
};

class DemoScreen : public Vexa::IScreen
{
public:
    DemoScreen();
    ~DemoScreen() = default;
    DemoScreen(const DemoScreen&) = delete;
    DemoScreen& operator=(const DemoScreen&) = delete;

    int OnRender() override;
    int OnUpdate() override;
    int OnLost() override;
    int OnReset() override;
    int OnLoad() override;
    int OnRelease() override;

    // F1 (windowed) or F2 (full screen) with this mode: the device is reset when the renderer
    // takes the mode (a windowed one always), and the window takes the mode's style and size
    // even when full screen was refused.
    void SwitchDisplayMode(Vexa::DisplayMode mode, bool fullScreen);

    Vexa::Engine* EnginePtr;
    // Addresses of the engine's own pointer members; null until OnLoad (InputLink stays null
    // when DirectInput could not be set up).
    Vexa::VInput* const* InputLink;
    Vexa::Renderer* const* RendererLink;
    Vexa::Timer* const* TimerLink;
    IDirect3DDevice9* Device;
    Mesh_X Skull;
    Mesh_X Venus;
    Mesh_X Tiny;
    Mesh_SDKMesh Lizard;
    Camera MainCamera;
    Effect SceneEffect;
    ParticleManager Particles;
    Mesh_X LightMarker;
    Light SceneLight;
    Effect LightEffect;

private:
    void SetMeshMatrices(const Mesh& mesh);
    void SetMaterial(const Mesh& mesh);
    void DrawLitMesh(const Mesh& mesh, DWORD subsets);

    // The window whose title was last set, and the frame count it shows; null until set.
    HWND TitleWindow;
    std::uint32_t TitleFrames;
};
