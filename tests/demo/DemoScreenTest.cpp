// The demo screen against the engine object, a real device (spied) or a fake one, recording
// effects, and the D3DX fakes where a load has to fail at a chosen step.
#include "tests/fakes/RecordingEffect.h"
#include "Spy.h"
#include "DemoTestSupport.h"

#include "tests/fakes/FakeD3D9.h"
#include "tests/fakes/FakeD3DX.h"
#include "tests/support/LogCapture.h"
#include "Vexa2/Demo/DemoScreen.h"
#include "Vexa2/Engine/vEngine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
D3DMATERIAL9 Material(float tag)
{
    D3DMATERIAL9 m;
    std::memset(&m, 0, sizeof(m));
    m.Diffuse.r = tag;
    m.Ambient.g = tag + 0.5f;
    m.Specular.b = 0.25f;
    m.Emissive.a = 0.75f;
    m.Power = tag * 10.0f;
    return m;
}

std::vector<unsigned char> Bytes(const void* data, size_t size)
{
    const unsigned char* first = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(first, first + size);
}

D3DXMATRIX Multiply(const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    D3DXMATRIX m;
    D3DXMatrixMultiply(&m, &a, &b);
    return m;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class DemoScreenTest : public ::testing::Test
{
protected:
    DemoScreenTest() : SceneFx(1), LightFx(1), ParticleFx(1) {}

    void SetUp() override
    {
        ASSERT_NE(nullptr, Dev.Device);
        wchar_t cwd[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, cwd);
        OldFolder = cwd;
        SetCurrentDirectoryW(Log.Folder().c_str());
        Spied() = SpyRecord();
        FakeD3DX::Reset();
        SceneFx.SharedLog = LightFx.SharedLog = ParticleFx.SharedLog = &Fake::Journal();
        SceneFx.Tag = "Scene";
        LightFx.Tag = "Light";
        ParticleFx.Tag = "Particles";
        Screen.EnginePtr = &Eng;
        Eng.Windows.Window = Dev.Window;
        Eng.Input.FocusWindow = Dev.Window;
        Eng.Graphics.Device = Dev.Device;
        Eng.Graphics.CurrentScreen = &Screen;
    }

    void TearDown() override
    {
        Screen.OnLost();
        Screen.OnRelease();
        Eng.Input.ReleaseDevices();
        Eng.Graphics.Device = nullptr;
        Eng.Graphics.CurrentScreen = nullptr;
        Eng.Windows.Window = nullptr;
        FakeD3DX::Reset();
        SetCurrentDirectoryW(OldFolder.c_str());
        for (const wchar_t* name :
             {L"skullocc.x", L"venus.x", L"ball.x", L"tiny.x", L"lizardSIG.sdkmesh", L"effect.fx", L"light.fx",
              L"particleEffect.fx", L"particle.bmp", L"lizard_skin.bmp", L"lizard_belly.bmp"})
            DeleteFileW((Log.Folder() + L"\\" + name).c_str());
    }

    // The state OnLoad and OnReset leave, built by hand: boxes for meshes, recording effects.
    void Attach()
    {
        Screen.TimerLink = &Eng.TimerPtr;
        Screen.RendererLink = &Eng.RendererPtr;
        Screen.InputLink = &Eng.InputPtr;
        Screen.Device = Dev.Device;
        struct Item
        {
            Mesh* Target;
            const char* Name;
        } items[] = {{&Screen.Skull, "Skull"},
                     {&Screen.Venus, "Venus"},
                     {&Screen.Tiny, "Tiny"},
                     {&Screen.Lizard, "Lizard"},
                     {&Screen.LightMarker, "Ball"}};
        float tag = 1.0f;
        for (const Item& item : items)
        {
            ID3DXMesh* box = nullptr;
            ASSERT_EQ(D3D_OK, D3DXCreateBox(Dev.Device, 1.0f, 1.0f, 1.0f, &box, nullptr));
            item.Target->D3DXMesh = SpyOnMesh(box, item.Name);
            item.Target->Materials.push_back(Material(tag));
            item.Target->Materials.push_back(Material(tag + 100.0f));
            D3DXMatrixTranslation(&item.Target->World, tag, 2.0f * tag, -tag);
            tag += 1.0f;
        }
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3D_OK, Dev.Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
        Screen.Tiny.Textures.push_back(texture);
        Screen.SceneEffect.Fx = &SceneFx;
        Screen.LightEffect.Fx = &LightFx;
        Screen.Particles.Device = Dev.Device;
        Screen.Particles.Life = new float[500]();
        Screen.Particles.ParticleEffect.Fx = &ParticleFx;
        ASSERT_EQ(0, Screen.Particles.OnReset());
        Screen.SceneLight.Position = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
        Screen.SceneLight.Color = D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f);
        Screen.SceneLight.Factors = D3DXVECTOR3(0.0f, 0.05f, 0.0f);
        const D3DXVECTOR3 eye(1.0f, 0.5f, -2.0f), at(0.0f, 0.0f, 5.0f), up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&Screen.MainCamera.View, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&Screen.MainCamera.Projection, 0.7853982f, 1.3333334f, 0.1f, 100000.0f);
        Eng.FrameTimer.ElapsedSeconds = 0.0;
        Fake::Journal().clear();
    }

    // Calls of the effects, the draws of the meshes and the particles' draw, in order.
    std::vector<std::string> Draws() const
    {
        std::vector<std::string> kept;
        for (const std::string& c : Fake::Journal())
            if (c.compare(0, 6, "Scene.") == 0 || c.compare(0, 6, "Light.") == 0 ||
                c.compare(0, 10, "Particles.") == 0 || c.find(".DrawSubset") != std::string::npos ||
                c.compare(0, 20, "Device.DrawPrimitive") == 0)
                kept.push_back(c);
        return kept;
    }

    void Press(int key) { Eng.Input.KeyState[key] = 0x80; }

    std::wstring Title() const
    {
        wchar_t text[256] = {};
        GetWindowTextW(Dev.Window, text, 256);
        return text;
    }

    bool TakeClose()
    {
        MSG msg;
        return PeekMessageW(&msg, Dev.Window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
    }

    void WriteMeshFiles()
    {
        for (const wchar_t* name : {L"skullocc.x", L"venus.x", L"ball.x", L"tiny.x"})
            WriteXFile(Log.Folder() + L"\\" + name);
    }

    LogCapture Log;
    SpiedDevice Dev;
    Vexa::Engine Eng;
    DemoScreen Screen;
    RecordingEffect SceneFx;
    RecordingEffect LightFx;
    RecordingEffect ParticleFx;
    std::wstring OldFolder;
};
} // namespace

TEST_F(DemoScreenTest, ConstructionLeavesLinksEmptyAndSetsUpTheFountain)
{
    DemoScreen fresh;
    EXPECT_EQ(nullptr, fresh.EnginePtr);
    EXPECT_EQ(nullptr, fresh.InputLink);
    EXPECT_EQ(nullptr, fresh.RendererLink);
    EXPECT_EQ(nullptr, fresh.TimerLink);
    EXPECT_EQ(nullptr, fresh.Device);
    EXPECT_EQ(nullptr, fresh.SceneEffect.Fx);
    EXPECT_EQ(nullptr, fresh.LightEffect.Fx);
    EXPECT_EQ(&fresh.InputLink, &fresh.MainCamera.InputRef);
    EXPECT_EQ(&fresh.TimerLink, &fresh.MainCamera.TimerRef);
    EXPECT_EQ(D3DXVECTOR3(0.0f, 2.0f, 20.0f), fresh.Particles.Emitter);
    EXPECT_EQ(D3DXVECTOR3(0.0f, 10.0f, 0.0f), fresh.Particles.BaseVelocity);
    EXPECT_EQ(D3DXVECTOR3(0.0f, -9.8f, 0.0f), fresh.Particles.Gravity);
    EXPECT_EQ(0.2f, fresh.Particles.LifeBase);
    EXPECT_EQ(&fresh.MainCamera, fresh.Particles.ViewCamera);
    EXPECT_EQ(L"particle.bmp", fresh.Particles.TextureFile);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (const Mesh* mesh : {static_cast<const Mesh*>(&fresh.Skull), static_cast<const Mesh*>(&fresh.Venus),
                             static_cast<const Mesh*>(&fresh.Tiny), static_cast<const Mesh*>(&fresh.Lizard),
                             static_cast<const Mesh*>(&fresh.LightMarker)})
    {
        EXPECT_EQ(identity, mesh->World);
        EXPECT_EQ(nullptr, mesh->D3DXMesh);
    }
    // The light record: 13 floats, "g_light" the last ten.
    EXPECT_EQ(52u, sizeof(Light));
    EXPECT_EQ(12u, offsetof(Light, ViewPosition));
    EXPECT_EQ(40u, sizeof(Light) - offsetof(Light, ViewPosition));
}

TEST_F(DemoScreenTest, OnLoadLoadsTheMeshesInOrderAndStopsAtTheFirstFailure)
{
    WriteMeshFiles();
    const wchar_t* order[] = {L"skullocc.x", L"venus.x", L"ball.x", L"tiny.x"};
    for (unsigned failing = 0; failing < 4; ++failing)
    {
        FakeD3DX::Reset();
        FakeD3DX::Current().LoadMeshFromX.Result = E_FAIL;
        FakeD3DX::Current().LoadMeshFromX.Skip = failing;
        DemoScreen screen;
        screen.EnginePtr = &Eng;
        EXPECT_EQ(1, screen.OnLoad()) << failing;
        EXPECT_EQ(failing + 1, FakeD3DX::Calls().LoadMeshFromX);
        EXPECT_TRUE(EndsWith(FakeD3DX::Calls().LoadMeshFile, order[failing])) << failing;
        const Mesh* meshes[] = {&screen.Skull, &screen.Venus, &screen.LightMarker, &screen.Tiny, &screen.Lizard};
        for (unsigned i = 0; i < 5; ++i)
            EXPECT_EQ(i < failing, meshes[i]->D3DXMesh != nullptr) << "mesh " << i << " failing " << failing;
        EXPECT_EQ(0u, FakeD3DX::Calls().CreateEffect);
        screen.OnRelease();
        Eng.Input.ReleaseDevices();
    }

    // All four .x files load; the missing sdkmesh ends it before any effect.
    FakeD3DX::Reset();
    EXPECT_EQ(1, Screen.OnLoad());
    EXPECT_NE(nullptr, Screen.Tiny.D3DXMesh);
    EXPECT_EQ(nullptr, Screen.Lizard.D3DXMesh);
    EXPECT_EQ(0u, FakeD3DX::Calls().CreateEffect);
    const std::vector<std::wstring> messages = Log.Entries();
    ASSERT_FALSE(messages.empty());
    bool named = false;
    for (const std::wstring& m : messages)
        named = named || m.find(L"lizardSIG.sdkmesh") != std::wstring::npos;
    EXPECT_TRUE(named);
}

TEST_F(DemoScreenTest, OnLoadStopsAtAMissingEffectOrParticleSystem)
{
    WriteMeshFiles();
    ASSERT_TRUE(CopyRunFile(L"lizardSIG.sdkmesh", Log.Folder())) << "the generated assets are missing";
    struct Step
    {
        const wchar_t* Add;
        unsigned Effects; // effect loads tried
        const wchar_t* Failing;
    } steps[] = {{nullptr, 1, L"effect.fx"}, {L"effect.fx", 2, L"light.fx"}, {L"light.fx", 3, L"particleEffect.fx"}};
    for (const Step& step : steps)
    {
        if (step.Add != nullptr)
        {
            ASSERT_TRUE(CopyRunFile(step.Add, Log.Folder()));
        }
        FakeD3DX::Reset();
        DemoScreen screen;
        screen.EnginePtr = &Eng;
        EXPECT_EQ(1, screen.OnLoad());
        EXPECT_EQ(step.Effects, FakeD3DX::Calls().CreateEffect);
        EXPECT_TRUE(EndsWith(FakeD3DX::Calls().EffectFile, step.Failing)) << step.Failing;
        EXPECT_NE(nullptr, screen.Lizard.D3DXMesh);
        screen.OnLost();
        screen.OnRelease();
        Eng.Input.ReleaseDevices();
    }
    // The particle system's texture is the last thing it needs.
    ASSERT_TRUE(CopyRunFile(L"particleEffect.fx", Log.Folder()));
    FakeD3DX::Reset();
    EXPECT_EQ(1, Screen.OnLoad());
    EXPECT_EQ(nullptr, Screen.Particles.Texture);
    const std::vector<std::wstring> messages = Log.Entries();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(L"[.\\ParticleManager | ParticleManager::OnLoad | LINE: *] >> Function "
              L"\"D3DXCreateTextureFromFileEx()\" returned an error. Error Code: 0x88760B59",
              messages.back());
}

TEST_F(DemoScreenTest, ASuccessfulOnLoadSetsLinksWorldMatricesLightAndProjection)
{
    WriteMeshFiles();
    ASSERT_TRUE(CopyRunFile(L"lizardSIG.sdkmesh", Log.Folder())) << "the generated assets are missing";
    for (const wchar_t* name :
         {L"lizard_skin.bmp", L"lizard_belly.bmp", L"effect.fx", L"light.fx", L"particleEffect.fx"})
        ASSERT_TRUE(CopyRunFile(name, Log.Folder()));
    WriteBitmap(Log.Folder() + L"\\particle.bmp");

    ASSERT_EQ(0, Screen.OnLoad());
    EXPECT_EQ(&Eng.TimerPtr, Screen.TimerLink);
    EXPECT_EQ(&Eng.RendererPtr, Screen.RendererLink);
    EXPECT_EQ(Dev.Device, Screen.Device);
    EXPECT_EQ(Eng.Input.IsInitialized ? &Eng.InputPtr : nullptr, Screen.InputLink);
    EXPECT_NE(nullptr, Screen.SceneEffect.Fx);
    EXPECT_NE(nullptr, Screen.LightEffect.Fx);
    EXPECT_NE(nullptr, Screen.Particles.Declaration);

    D3DXMATRIX expected;
    D3DXMatrixTranslation(&expected, 0.0f, -5.0f, 20.0f);
    EXPECT_EQ(expected, Screen.Skull.World);
    D3DXMatrixTranslation(&expected, 0.0f, 0.0f, -20.0f);
    EXPECT_EQ(expected, Screen.Lizard.World);
    const D3DXMATRIX venus(3, 0, 0, 0, 0, 3, 0, 0, 0, 0, 3, 0, 20, 0, 0, 1);
    EXPECT_EQ(venus, Screen.Venus.World);
    const D3DXMATRIX tiny(0, 0, -0.03f, 0, -0.03f, 0, 0, 0, 0, 0.03f, 0, 0, -20, 0, 0, 1);
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            EXPECT_NEAR(tiny(r, c), Screen.Tiny.World(r, c), 1e-6f) << r << "," << c;
        }
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(identity, Screen.LightMarker.World);

    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), Screen.SceneLight.Position);
    EXPECT_EQ(D3DXVECTOR4(1, 1, 1, 1), Screen.SceneLight.Color);
    EXPECT_EQ(D3DXVECTOR3(0, 0.05f, 0), Screen.SceneLight.Factors);
    D3DXMatrixPerspectiveFovLH(&expected, 0.7853982f, 1.3333334f, 0.1f, 100000.0f);
    EXPECT_EQ(expected, Screen.MainCamera.Projection);
    EXPECT_EQ(std::vector<std::wstring>{}, Log.Entries());

    // The renderer's follow-up and a whole frame on the real device and effects.
    EXPECT_EQ(0, Screen.OnReset());
    ASSERT_NE(nullptr, Screen.Particles.VertexBuffer);
    ASSERT_EQ(D3D_OK, Dev.Device->BeginScene());
    EXPECT_EQ(0, Screen.OnRender());
    Dev.Device->EndScene();
    EXPECT_EQ(0, Screen.OnUpdate());
}

TEST_F(DemoScreenTest, WithoutADeviceTheRendererLinkStaysEmpty)
{
    Eng.Graphics.Device = nullptr;
    EXPECT_EQ(1, Screen.OnLoad()); // no mesh loads without a device
    EXPECT_EQ(nullptr, Screen.RendererLink);
    EXPECT_EQ(&Eng.TimerPtr, Screen.TimerLink);
}

TEST_F(DemoScreenTest, OnRenderDrawsTheSceneInItsFixedOrder)
{
    Attach();
    EXPECT_EQ(0, Screen.OnRender());
    const std::vector<std::string> mesh = {"Scene.SetMatrix g_mWorldView", "Scene.SetMatrix g_mWorldViewProj",
                                           "Scene.SetValue g_material"};
    const std::vector<std::string> pass = {"Scene.Begin", "Scene.BeginPass"};
    std::vector<std::string> expected = {"Scene.SetTechnique WithoutTexture", "Scene.SetValue g_light"};
    auto add = [&expected](const std::vector<std::string>& part) {
        expected.insert(expected.end(), part.begin(), part.end());
    };
    add(mesh);
    add({"Scene.Begin", "Scene.BeginPass", "Skull.DrawSubset 0", "Scene.EndPass", "Scene.End"});
    add(mesh);
    add({"Scene.Begin", "Scene.BeginPass", "Venus.DrawSubset 0", "Scene.EndPass", "Scene.End"});
    add({"Scene.SetTechnique WithTexture"});
    add(mesh);
    add({"Scene.SetTexture g_texture", "Scene.Begin", "Scene.BeginPass", "Tiny.DrawSubset 0", "Scene.EndPass",
         "Scene.End"});
    add({"Scene.SetTechnique WithoutTexture"});
    add(mesh);
    add({"Scene.Begin", "Scene.BeginPass", "Lizard.DrawSubset 0", "Scene.EndPass", "Scene.End", "Scene.Begin",
         "Scene.BeginPass", "Lizard.DrawSubset 1", "Scene.EndPass", "Scene.End"});
    add({"Particles.SetMatrix g_mWorldView", "Particles.SetMatrix g_mWorldViewProj", "Particles.SetFloat g_time",
         "Particles.SetValue g_gravity", "Particles.SetFloat g_camDistance", "Particles.SetTexture g_texture",
         "Particles.Begin", "Particles.BeginPass", "Device.DrawPrimitive 1 0 500", "Particles.EndPass",
         "Particles.End"});
    add({"Light.SetMatrix g_mWorldViewProj", "Light.Begin", "Light.BeginPass", "Ball.DrawSubset 0", "Light.EndPass",
         "Light.End"});
    EXPECT_EQ(expected, Draws());
}

TEST_F(DemoScreenTest, OnRenderSetsTheDocumentedValues)
{
    Attach();
    Screen.OnRender();
    const D3DXMATRIX& view = Screen.MainCamera.View;
    const D3DXMATRIX& proj = Screen.MainCamera.Projection;

    // "g_light": the view-space light position, colour and factors, 40 bytes.
    D3DXVECTOR3 lightView;
    D3DXVec3TransformCoord(&lightView, &Screen.SceneLight.Position, &view);
    const float light[10] = {lightView.x, lightView.y, lightView.z, 1, 1, 1, 1, 0, 0.05f, 0};
    ASSERT_EQ(1u, SceneFx.Find("SetValue", "g_light").size());
    EXPECT_EQ(Bytes(light, 40), SceneFx.Find("SetValue", "g_light")[0].Bytes);
    EXPECT_EQ(lightView, Screen.SceneLight.ViewPosition);

    // Per mesh: World x V, (World x V) x P and the first material, 68 bytes.
    const Mesh* lit[] = {&Screen.Skull, &Screen.Venus, &Screen.Tiny, &Screen.Lizard};
    const std::vector<EffectCall> wv = SceneFx.Find("SetMatrix", "g_mWorldView");
    const std::vector<EffectCall> wvp = SceneFx.Find("SetMatrix", "g_mWorldViewProj");
    const std::vector<EffectCall> materials = SceneFx.Find("SetValue", "g_material");
    ASSERT_EQ(4u, wv.size());
    ASSERT_EQ(4u, wvp.size());
    ASSERT_EQ(4u, materials.size());
    for (int i = 0; i < 4; ++i)
    {
        const D3DXMATRIX worldView = Multiply(lit[i]->World, view);
        const D3DXMATRIX worldViewProj = Multiply(worldView, proj);
        EXPECT_EQ(Bytes(&worldView, 64), wv[i].Bytes) << i;
        EXPECT_EQ(Bytes(&worldViewProj, 64), wvp[i].Bytes) << i;
        EXPECT_EQ(68u, materials[i].Bytes.size());
        EXPECT_EQ(Bytes(&lit[i]->Materials[0], 68), materials[i].Bytes) << i;
    }
    ASSERT_EQ(1u, SceneFx.Find("SetTexture", "g_texture").size());
    EXPECT_EQ(Screen.Tiny.Textures[0], SceneFx.Find("SetTexture", "g_texture")[0].Pointer);

    // The marker: translation to the light x (V x P).
    D3DXMATRIX place;
    D3DXMatrixTranslation(&place, 1.0f, 2.0f, 3.0f);
    const D3DXMATRIX marker = Multiply(place, Multiply(view, proj));
    ASSERT_EQ(1u, LightFx.Find("SetMatrix").size());
    EXPECT_EQ("g_mWorldViewProj", LightFx.Find("SetMatrix")[0].Name);
    EXPECT_EQ(Bytes(&marker, 64), LightFx.Find("SetMatrix")[0].Bytes);
    EXPECT_TRUE(LightFx.Find("SetTechnique").empty());
}

TEST_F(DemoScreenTest, AMeshWithoutMaterialGetsPlainWhiteAndTinyWithoutTextureIsDrawnUntextured)
{
    Attach();
    Screen.Venus.Materials.clear();
    Screen.Tiny.Textures[0]->Release();
    Screen.Tiny.Textures.clear();
    Screen.OnRender();

    D3DMATERIAL9 white;
    std::memset(&white, 0, sizeof(white));
    white.Diffuse.r = white.Diffuse.g = white.Diffuse.b = white.Diffuse.a = 1.0f;
    const std::vector<EffectCall> materials = SceneFx.Find("SetValue", "g_material");
    ASSERT_EQ(4u, materials.size());
    EXPECT_EQ(Bytes(&white, 68), materials[1].Bytes);
    EXPECT_EQ(Bytes(&Screen.Tiny.Materials[0], 68), materials[2].Bytes);
    EXPECT_TRUE(SceneFx.Find("SetTexture").empty());
    std::vector<std::string> techniques;
    for (const EffectCall& call : SceneFx.Find("SetTechnique"))
        techniques.push_back(call.Name);
    EXPECT_EQ((std::vector<std::string>{"WithoutTexture", "WithoutTexture"}), techniques);
    bool tinyDrawn = false;
    for (const std::string& c : Draws())
        tinyDrawn = tinyDrawn || c == "Tiny.DrawSubset 0";
    EXPECT_TRUE(tinyDrawn);
}

TEST_F(DemoScreenTest, OnUpdateMovesTheCameraFirstThenParticlesAndWritesTheTitle)
{
    Attach();
    Press(DIK_W);
    Eng.FrameTimer.ElapsedSeconds = 0.5;
    Eng.FrameTimer.FramesPerSecond = 0;
    const float before = Screen.Particles.Time;
    EXPECT_EQ(0, Screen.OnUpdate());
    EXPECT_EQ(5.0f, Screen.MainCamera.Position.z);
    EXPECT_EQ(-5.0f, Screen.MainCamera.View._43);
    EXPECT_EQ(before + 0.5f, Screen.Particles.Time);
    EXPECT_EQ(L"Vexa2, FPS: 0", Title());

    Eng.FrameTimer.FramesPerSecond = 60;
    Screen.OnUpdate();
    EXPECT_EQ(L"Vexa2, FPS: 60", Title());
    Eng.FrameTimer.FramesPerSecond = 1234;
    Screen.OnUpdate();
    EXPECT_EQ(L"Vexa2, FPS: 1234", Title());
}

// Counts the texts that reach the window; everything is passed on to its own procedure.
struct TitleCounter
{
    static std::vector<std::wstring>& Texts()
    {
        static std::vector<std::wstring> texts;
        return texts;
    }
    static WNDPROC& Original()
    {
        static WNDPROC original = nullptr;
        return original;
    }
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l)
    {
        if (message == WM_SETTEXT)
            Texts().push_back(reinterpret_cast<const wchar_t*>(l));
        return CallWindowProcW(Original(), window, message, w, l);
    }

    explicit TitleCounter(HWND window) : Window(window)
    {
        Texts().clear();
        Original() =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
    }
    ~TitleCounter() { SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Original())); }

    HWND Window;
};

TEST_F(DemoScreenTest, TheTitleIsSetOncePerChangeOfItsTextAndShowsTheFrameCountEveryFrame)
{
    Attach();
    TitleCounter counter(Dev.Window);
    // The first frame sets the title although the count is still 0 (the window shows its class title).
    const unsigned frames[] = {0, 0, 0, 60, 60, 59, 59, 59, 1234, 0};
    for (unsigned fps : frames)
    {
        Eng.FrameTimer.FramesPerSecond = fps;
        Screen.OnUpdate();
        EXPECT_EQ(L"Vexa2, FPS: " + std::to_wstring(fps), Title()) << fps;
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Vexa2, FPS: 0", L"Vexa2, FPS: 60", L"Vexa2, FPS: 59", L"Vexa2, FPS: 1234",
                                         L"Vexa2, FPS: 0"}),
              TitleCounter::Texts());
}

TEST_F(DemoScreenTest, EscapePostsCloseToTheMainWindowEveryFrameItIsHeld)
{
    Attach();
    Screen.OnUpdate();
    EXPECT_FALSE(TakeClose());
    Press(DIK_ESCAPE);
    Screen.OnUpdate();
    EXPECT_TRUE(TakeClose());
    EXPECT_FALSE(TakeClose());
    Screen.OnUpdate();
    Screen.OnUpdate();
    EXPECT_TRUE(TakeClose());
    EXPECT_TRUE(TakeClose());
    Eng.Windows.Window = nullptr; // nothing to post to
    Screen.OnUpdate();
    EXPECT_FALSE(TakeClose());
}

TEST_F(DemoScreenTest, ArrowAndPageKeysMoveTheLightHalfAUnitPerFrame)
{
    Attach();
    Screen.SceneLight.Position = D3DXVECTOR3(0, 0, 0);
    Eng.FrameTimer.ElapsedSeconds = 0.25; // not scaled by the frame time
    struct Case
    {
        int Key;
        D3DXVECTOR3 Step;
    } cases[] = {{DIK_UP, {0, 0, 0.5f}},    {DIK_DOWN, {0, 0, -0.5f}}, {DIK_LEFT, {-0.5f, 0, 0}},
                 {DIK_RIGHT, {0.5f, 0, 0}}, {DIK_NEXT, {0, -0.5f, 0}}, {DIK_PRIOR, {0, 0.5f, 0}}};
    for (const Case& c : cases)
    {
        Screen.SceneLight.Position = D3DXVECTOR3(0, 0, 0);
        Eng.Input.KeyState[c.Key] = 0x80;
        Screen.OnUpdate();
        Screen.OnUpdate();
        Screen.OnUpdate();
        EXPECT_EQ(c.Step * 3.0f, Screen.SceneLight.Position) << c.Key;
        Eng.Input.KeyState[c.Key] = 0;
    }
    Screen.SceneLight.Position = D3DXVECTOR3(0, 0, 0);
    Press(DIK_UP);
    Press(DIK_DOWN);
    Press(DIK_RIGHT);
    Press(DIK_PRIOR);
    Screen.OnUpdate();
    EXPECT_EQ(D3DXVECTOR3(0.5f, 0.5f, 0.0f), Screen.SceneLight.Position);
}

TEST_F(DemoScreenTest, WithoutInputNoKeyActsButTheSceneStillAnimates)
{
    Attach();
    Screen.InputLink = nullptr;
    for (int key : {DIK_ESCAPE, DIK_F1, DIK_F2, DIK_UP, DIK_W})
        Press(key);
    Eng.FrameTimer.ElapsedSeconds = 0.125;
    Eng.FrameTimer.FramesPerSecond = 42;
    Screen.MainCamera.Position = D3DXVECTOR3(0, 0, 1);
    Screen.OnUpdate();
    EXPECT_FALSE(TakeClose());
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), Screen.SceneLight.Position);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 1), Screen.MainCamera.Position);
    EXPECT_EQ(-1.0f, Screen.MainCamera.View._43); // the view is still rebuilt
    EXPECT_EQ(0.125f, Screen.Particles.Time);
    EXPECT_EQ(L"Vexa2, FPS: 42", Title());
}

TEST_F(DemoScreenTest, OnLostOnResetAndOnReleaseForwardToEffectsAndParticles)
{
    Attach();
    EXPECT_EQ(0, Screen.OnLost());
    EXPECT_EQ(nullptr, Screen.Particles.VertexBuffer);
    EXPECT_EQ((std::vector<std::string>{"Scene.OnLostDevice", "Light.OnLostDevice", "Particles.OnLostDevice"}),
              Draws());
    Fake::Journal().clear();
    EXPECT_EQ(0, Screen.OnReset());
    EXPECT_NE(nullptr, Screen.Particles.VertexBuffer);
    EXPECT_EQ((std::vector<std::string>{"Scene.OnResetDevice", "Light.OnResetDevice", "Particles.OnResetDevice"}),
              Draws());
    EXPECT_NE(nullptr, Screen.Skull.D3DXMesh); // meshes keep everything

    // A failing particle reset is ignored.
    Screen.OnLost();
    Spied().Script.CreateVertexBuffer = D3DERR_OUTOFVIDEOMEMORY;
    EXPECT_EQ(0, Screen.OnReset());
    Spied().Script = SpyScript();

    Fake::Journal().clear();
    Screen.OnLost();
    EXPECT_EQ(0, Screen.OnRelease());
    EXPECT_EQ(nullptr, Screen.SceneEffect.Fx);
    EXPECT_EQ(nullptr, Screen.LightEffect.Fx);
    EXPECT_EQ(nullptr, Screen.Particles.ParticleEffect.Fx);
    EXPECT_EQ(nullptr, Screen.Particles.Life);
    for (const Mesh* mesh : {static_cast<const Mesh*>(&Screen.Skull), static_cast<const Mesh*>(&Screen.Venus),
                             static_cast<const Mesh*>(&Screen.Tiny), static_cast<const Mesh*>(&Screen.Lizard),
                             static_cast<const Mesh*>(&Screen.LightMarker)})
        EXPECT_EQ(nullptr, mesh->D3DXMesh);
    std::vector<std::string> releases;
    for (const std::string& c : Fake::Journal())
        if (c.find(".Release") != std::string::npos)
            releases.push_back(c);
    EXPECT_EQ((std::vector<std::string>{"Particles.Release", "Scene.Release", "Light.Release"}), releases);
    EXPECT_EQ(0, Screen.OnRelease()); // again: harmless
}

// F1/F2 on a fake device, so that the reset's parameters can be read back.
class DisplaySwitchTest : public DemoScreenTest
{
protected:
    void SetUp() override
    {
        DemoScreenTest::SetUp();
        Attach();
        Screen.Particles.OnLost();
        Eng.Graphics.Device = &Fake;
        Fake.AddRef();
        Screen.Particles.Device = &Fake;
        Screen.Particles.OnReset();
        D3DPRESENT_PARAMETERS& pp = Eng.Graphics.PresentParameters;
        std::memset(&pp, 0, sizeof(pp));
        pp.BackBufferWidth = 800;
        pp.BackBufferHeight = 600;
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = Dev.Window;
        Eng.Graphics.DisplayModes = {{320, 200, D3DFMT_X8R8G8B8, 60},
                                     {320, 240, D3DFMT_X8R8G8B8, 60},
                                     {400, 300, D3DFMT_X8R8G8B8, 60},
                                     {640, 480, D3DFMT_X8R8G8B8, 75},
                                     {800, 600, D3DFMT_X8R8G8B8, 60}};
        SetWindowPos(Dev.Window, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOMOVE);
    }

    void TearDown() override
    {
        Screen.Particles.OnLost();
        Screen.Particles.Device = Dev.Device;
        DemoScreenTest::TearDown();
    }

    SIZE WindowSize() const
    {
        RECT r;
        GetWindowRect(Dev.Window, &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }

    Fake::FakeDevice Fake;
};

TEST_F(DisplaySwitchTest, F1ResetsToAWindowOfTheFourthModeWithCaptionAndTopmost)
{
    Press(DIK_F1);
    Screen.OnUpdate();
    ASSERT_EQ(1u, Fake.Resets.size());
    const D3DPRESENT_PARAMETERS& pp = Fake.Resets[0];
    EXPECT_EQ(640u, pp.BackBufferWidth);
    EXPECT_EQ(480u, pp.BackBufferHeight);
    EXPECT_EQ(D3DFMT_UNKNOWN, pp.BackBufferFormat);
    EXPECT_EQ(TRUE, pp.Windowed);
    EXPECT_EQ(0u, pp.FullScreen_RefreshRateInHz);
    EXPECT_EQ(0x80000000u, pp.PresentationInterval);
    // The screen went through loss and reset around it: a new particle buffer.
    EXPECT_EQ(2u, Fake.VertexBuffers.size());
    EXPECT_EQ(0x00CA0000, GetWindowLongW(Dev.Window, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS));
    EXPECT_TRUE(GetWindowLongW(Dev.Window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(640, WindowSize().cx);
    EXPECT_EQ(480, WindowSize().cy);

    Screen.OnUpdate(); // held: again every frame
    EXPECT_EQ(2u, Fake.Resets.size());
}

TEST_F(DisplaySwitchTest, F2ResetsToFullScreenOfTheFourthModeAsATopmostPopup)
{
    Press(DIK_F2);
    Screen.OnUpdate();
    ASSERT_EQ(1u, Fake.Resets.size());
    const D3DPRESENT_PARAMETERS& pp = Fake.Resets[0];
    EXPECT_EQ(640u, pp.BackBufferWidth);
    EXPECT_EQ(480u, pp.BackBufferHeight);
    EXPECT_EQ(D3DFMT_X8R8G8B8, pp.BackBufferFormat);
    EXPECT_EQ(FALSE, pp.Windowed);
    EXPECT_EQ(75u, pp.FullScreen_RefreshRateInHz);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP), GetWindowLongW(Dev.Window, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS));
    EXPECT_TRUE(GetWindowLongW(Dev.Window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(640, WindowSize().cx);
    EXPECT_EQ(480, WindowSize().cy);
}

TEST_F(DisplaySwitchTest, ARefusedFullScreenModeResetsNothingButTheWindowBecomesAPopupOfItsSize)
{
    const D3DPRESENT_PARAMETERS before = Eng.Graphics.PresentParameters;
    Screen.SwitchDisplayMode({512, 384, D3DFMT_X8R8G8B8, 60}, true); // not listed: SetDisplayMode says 0x8007
    EXPECT_TRUE(Fake.Resets.empty());
    EXPECT_FALSE(Eng.Graphics.SkipLostWait);
    EXPECT_EQ(0, std::memcmp(&before, &Eng.Graphics.PresentParameters, sizeof(before)));
    EXPECT_EQ(static_cast<LONG>(WS_POPUP), GetWindowLongW(Dev.Window, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS));
    EXPECT_TRUE(GetWindowLongW(Dev.Window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(512, WindowSize().cx);
    EXPECT_EQ(384, WindowSize().cy);
    EXPECT_EQ(std::vector<std::wstring>{}, Log.Entries());
}

TEST_F(DisplaySwitchTest, WithFewerThanFourModesF1AndF2DoNothing)
{
    Eng.Graphics.DisplayModes.resize(3);
    const LONG style = GetWindowLongW(Dev.Window, GWL_STYLE);
    Press(DIK_F1);
    Press(DIK_F2);
    Screen.OnUpdate();
    EXPECT_TRUE(Fake.Resets.empty());
    EXPECT_FALSE(Eng.Graphics.SkipLostWait);
    EXPECT_EQ(800u, Eng.Graphics.PresentParameters.BackBufferWidth);
    EXPECT_EQ(style, GetWindowLongW(Dev.Window, GWL_STYLE));
    EXPECT_EQ(300, WindowSize().cx);
    EXPECT_EQ(std::vector<std::wstring>{}, Log.Entries());
}
