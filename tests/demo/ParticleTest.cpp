// The particle fountain on a real device (Wine's, under Xvfb) watched by the spy, with a
// recording effect in place of "particleEffect.fx" where the test looks at the parameters.
#include "tests/fakes/RecordingEffect.h"
#include "Spy.h"
#include "DemoTestSupport.h"

#include "tests/fakes/Forwarding.h"
#include "tests/support/LogCapture.h"
#include "Vexa2/Demo/Camera.h"
#include "Vexa2/Demo/ParticleManager.h"
#include "Vexa2/Engine/vTimer.h"
#include "Vexa2/Engine/vVInput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace
{
bool FailFloatArrays = false;
}

// Lets a test refuse the 500-float life array.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (FailFloatArrays && size == 500 * sizeof(float))
        return nullptr;
    return std::malloc(size != 0 ? size : 1);
}

namespace
{
const unsigned Particles = 500;

class ParticleTest : public ::testing::Test
{
protected:
    ParticleTest()
        : InputLink(nullptr), TimerLink(nullptr), Cam(InputLink, TimerLink),
          Pm(D3DXVECTOR3(0.0f, 2.0f, 20.0f), D3DXVECTOR3(0.0f, 10.0f, 0.0f), D3DXVECTOR3(0.0f, -9.8f, 0.0f), 0.2f, &Cam,
             L"particle.bmp"),
          Fx(2)
    {
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, Dev.Device);
        wchar_t cwd[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, cwd);
        OldFolder = cwd;
        SetCurrentDirectoryW(Log.Folder().c_str());
        Spied() = SpyRecord();
        Fake::Journal().clear();
        Fx.SharedLog = &Fake::Journal();
        Fx.Tag = "Fx";
    }

    void TearDown() override
    {
        if (Pm.ParticleEffect.Fx == &Fx)
            Pm.ParticleEffect.Fx = nullptr; // not a real effect: nothing to release
        Pm.OnLost();
        Pm.OnRelease();
        SetCurrentDirectoryW(OldFolder.c_str());
        Spied().Script = SpyScript();
        DeleteFileW((Log.Folder() + L"\\particle.bmp").c_str());
        DeleteFileW((Log.Folder() + L"\\particleEffect.fx").c_str());
    }

    // What a successful OnLoad leaves, without the effect file: device, lives, our effect.
    void Loaded(float life = 0.0f)
    {
        Pm.Device = Dev.Device;
        Pm.Life = new float[Particles];
        for (unsigned j = 0; j < Particles; ++j)
            Pm.Life[j] = life;
        Pm.ParticleEffect.Fx = &Fx;
        const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
        Dev.Device->CreateVertexDeclaration(elements, &Pm.Declaration);
        Fake::Journal().clear();
    }

    std::vector<ParticleVertex> Records()
    {
        std::vector<ParticleVertex> records(Particles);
        void* data = nullptr;
        if (Pm.VertexBuffer != nullptr && Pm.VertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY) == D3D_OK)
        {
            std::memcpy(records.data(), data, Particles * sizeof(ParticleVertex));
            Pm.VertexBuffer->Unlock();
        }
        return records;
    }

    bool Called(const std::string& call) const
    {
        for (const std::string& c : Fake::Journal())
            if (c == call)
                return true;
        return false;
    }

    LogCapture Log;
    SpiedDevice Dev;
    std::wstring OldFolder;
    Vexa::VInput* const* InputLink;
    Vexa::Timer* const* TimerLink;
    Camera Cam;
    ParticleManager Pm;
    RecordingEffect Fx;
};

// The documented re-emission, replayed on copies: same rand() state, same arithmetic.
struct Model
{
    std::vector<float> Life;
    std::vector<ParticleVertex> Records;
    float Time = 0.0f;

    void Update(float dt)
    {
        Time += dt;
        for (unsigned j = 0; j < Life.size(); ++j)
        {
            Life[j] -= dt;
            if (Life[j] < 0.0f)
            {
                const int r = std::rand() % 50;
                Life[j] = static_cast<float>((r - 25) * static_cast<double>(0.06f) + static_cast<double>(0.2f));
                float d[3];
                for (float& v : d)
                    v = static_cast<float>((std::rand() % 100 - 50) * static_cast<double>(0.05f));
                Records[j].Position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
                Records[j].Velocity = D3DXVECTOR3(0.0f + d[0], 10.0f + d[1], 0.0f + d[2]);
                Records[j].BirthTime = Time;
            }
        }
    }
};

void ExpectSameRecords(const std::vector<ParticleVertex>& expected, const std::vector<ParticleVertex>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t j = 0; j < expected.size(); ++j)
    {
        EXPECT_EQ(0, std::memcmp(&expected[j], &actual[j], sizeof(ParticleVertex)))
            << "record " << j << ": birth " << actual[j].BirthTime << " expected " << expected[j].BirthTime;
    }
}

// An entry of the particle system as LogCapture::Entries() gives it (its line checked there).
std::wstring Entry(const wchar_t* function, const wchar_t* text)
{
    return std::wstring(L"[.\\ParticleManager | ParticleManager::") + function + L" | LINE: *] >> " + text;
}
} // namespace

TEST_F(ParticleTest, ConstructionCopiesTheValuesAndCreatesNothing)
{
    EXPECT_EQ(28u, sizeof(ParticleVertex));
    EXPECT_EQ(12u, offsetof(ParticleVertex, BirthTime));
    EXPECT_EQ(16u, offsetof(ParticleVertex, Velocity));
    EXPECT_EQ(500u, Pm.Count);
    EXPECT_EQ(0.0f, Pm.Time);
    EXPECT_EQ(0.2f, Pm.LifeBase);
    EXPECT_EQ(D3DXVECTOR3(0.0f, 2.0f, 20.0f), Pm.Emitter);
    EXPECT_EQ(D3DXVECTOR3(0.0f, 10.0f, 0.0f), Pm.BaseVelocity);
    EXPECT_EQ(D3DXVECTOR3(0.0f, -9.8f, 0.0f), Pm.Gravity);
    EXPECT_EQ(L"particle.bmp", Pm.TextureFile);
    EXPECT_EQ(&Cam, Pm.ViewCamera);
    EXPECT_EQ(nullptr, Pm.Declaration);
    EXPECT_EQ(nullptr, Pm.VertexBuffer);
    EXPECT_EQ(nullptr, Pm.Device);
    EXPECT_EQ(nullptr, Pm.Texture);
    EXPECT_EQ(nullptr, Pm.Life);
    EXPECT_EQ(nullptr, Pm.ParticleEffect.Fx);
}

TEST_F(ParticleTest, OnResetCreatesA14000ByteDynamicPointBufferOfZeroes)
{
    Loaded();
    ASSERT_EQ(0, Pm.OnReset());
    ASSERT_NE(nullptr, Pm.VertexBuffer);
    const std::vector<std::string> expected{"Device.CreateVertexBuffer 14000 584 0 0 null", "Buffer.Lock 0 0 8192",
                                            "Buffer.Unlock", "Fx.OnResetDevice"};
    EXPECT_EQ(expected, Fake::Journal());
    D3DVERTEXBUFFER_DESC desc;
    ASSERT_EQ(D3D_OK, Pm.VertexBuffer->GetDesc(&desc));
    EXPECT_EQ(14000u, desc.Size);
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
    for (const ParticleVertex& v : Records())
    {
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), v.Position);
        EXPECT_EQ(0.0f, v.BirthTime);
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), v.Velocity);
    }
}

TEST_F(ParticleTest, AResetPutsEveryRecordBackAtTheEmitterWhileTimeGoesOn)
{
    Loaded();
    ASSERT_EQ(0, Pm.OnReset());
    Pm.Update(0.5f);
    Pm.Update(0.25f);
    bool moved = false;
    for (const ParticleVertex& v : Records())
        moved = moved || v.BirthTime != 0.0f;
    ASSERT_TRUE(moved);

    Pm.OnLost();
    EXPECT_EQ(nullptr, Pm.VertexBuffer);
    ASSERT_EQ(0, Pm.OnReset());
    EXPECT_EQ(0.75f, Pm.Time);
    const unsigned char zero[sizeof(ParticleVertex)] = {};
    for (const ParticleVertex& v : Records())
        EXPECT_EQ(0, std::memcmp(zero, &v, sizeof(v)));
}

TEST_F(ParticleTest, UpdateAgesAndReEmitsWithTheDocumentedArithmetic)
{
    Loaded();
    for (unsigned j = 0; j < Particles; ++j)
        Pm.Life[j] = (j % 4 == 0) ? -0.5f : (j % 4 == 1 ? 0.05f : 0.3f + 0.001f * j);
    ASSERT_EQ(0, Pm.OnReset());

    Model model;
    model.Life.assign(Pm.Life, Pm.Life + Particles);
    model.Records = Records();
    const unsigned seed = 12345;
    std::srand(seed);
    for (float dt : {0.1f, 0.016f, 0.2f})
        model.Update(dt);
    const int nextDraw = std::rand();

    std::srand(seed);
    Fake::Journal().clear();
    for (float dt : {0.1f, 0.016f, 0.2f})
        Pm.Update(dt);

    EXPECT_EQ(nextDraw, std::rand()); // as many draws as documented
    EXPECT_EQ(model.Time, Pm.Time);
    EXPECT_EQ(model.Life, std::vector<float>(Pm.Life, Pm.Life + Particles));
    ExpectSameRecords(model.Records, Records());
    // Locked with no flags: records that are not re-emitted keep their contents.
    EXPECT_EQ("Buffer.Lock 0 0 0", Fake::Journal().front());
    EXPECT_EQ("Buffer.Unlock", Fake::Journal()[1]);
}

TEST_F(ParticleTest, ReEmittedValuesStayInTheirDocumentedRanges)
{
    Loaded(-1.0f);
    ASSERT_EQ(0, Pm.OnReset());
    Pm.Update(0.0f);
    int negative = 0;
    const std::vector<ParticleVertex> records = Records();
    for (unsigned j = 0; j < Particles; ++j)
    {
        EXPECT_GE(Pm.Life[j], -1.3f - 1e-6f);
        EXPECT_LE(Pm.Life[j], 1.64f + 1e-6f);
        negative += Pm.Life[j] < 0.0f;
        for (float v : {records[j].Velocity.x, records[j].Velocity.y - 10.0f, records[j].Velocity.z})
        {
            EXPECT_GE(v, -2.5f - 1e-5f);
            EXPECT_LE(v, 2.45f + 1e-5f);
        }
    }
    EXPECT_GT(negative, 0); // r <= 21 comes up among 500 draws

    // Those negative ones go again at the very next Update, even with no time passing.
    std::vector<float> before(Pm.Life, Pm.Life + Particles);
    Pm.Update(0.0f);
    for (unsigned j = 0; j < Particles; ++j)
    {
        if (before[j] >= 0.0f)
        {
            EXPECT_EQ(before[j], Pm.Life[j]) << j;
        }
    }
}

TEST_F(ParticleTest, ZeroFrameTimeReEmitsOnlyLivesAlreadyBelowZero)
{
    Loaded();
    for (unsigned j = 0; j < Particles; ++j)
        Pm.Life[j] = (j % 5 == 0) ? -0.001f : (j % 5 == 1 ? 0.0f : 0.7f);
    ASSERT_EQ(0, Pm.OnReset());
    Pm.Time = 3.0f;

    std::srand(99);
    Pm.Update(0.0f);
    const std::vector<ParticleVertex> records = Records();
    for (unsigned j = 0; j < Particles; ++j)
    {
        if (j % 5 == 0)
            EXPECT_EQ(3.0f, records[j].BirthTime) << j;
        else
        {
            EXPECT_EQ(0.0f, records[j].BirthTime) << j;
            EXPECT_EQ(j % 5 == 1 ? 0.0f : 0.7f, Pm.Life[j]) << j;
        }
    }
    const int next = std::rand();
    // 100 re-emissions, four draws each.
    std::srand(99);
    for (int i = 0; i < 400; ++i)
        std::rand();
    EXPECT_EQ(std::rand(), next);
}

TEST_F(ParticleTest, RenderSetsTheSixParametersAndDrawsOnePointListOf500PerPass)
{
    Loaded();
    ASSERT_EQ(0, Pm.OnReset());
    const D3DXVECTOR3 eye(0, 0, 0), at(0.2f, 0.1f, 1.0f), up(0, 1, 0);
    D3DXMatrixLookAtLH(&Cam.View, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&Cam.Projection, 0.7853982f, 1.3333334f, 0.1f, 100000.0f);
    Pm.Time = 2.5f;
    Fake::Journal().clear();

    Pm.Render();

    const std::vector<std::string> expected{"Fx.SetMatrix g_mWorldView",
                                            "Fx.SetMatrix g_mWorldViewProj",
                                            "Fx.SetFloat g_time",
                                            "Fx.SetValue g_gravity",
                                            "Fx.SetFloat g_camDistance",
                                            "Fx.SetTexture g_texture",
                                            "Fx.Begin",
                                            "Fx.BeginPass",
                                            "Device.SetVertexDeclaration particles",
                                            "Device.SetStreamSource 0 particles 0 28",
                                            "Device.DrawPrimitive 1 0 500",
                                            "Fx.EndPass",
                                            "Fx.BeginPass",
                                            "Device.SetVertexDeclaration particles",
                                            "Device.SetStreamSource 0 particles 0 28",
                                            "Device.DrawPrimitive 1 0 500",
                                            "Fx.EndPass",
                                            "Fx.End"};
    EXPECT_EQ(expected, Fake::Journal());

    D3DXMATRIX world, wv, wvp;
    D3DXMatrixTranslation(&world, 0.0f, 2.0f, 20.0f);
    D3DXMatrixMultiply(&wv, &world, &Cam.View);
    D3DXMatrixMultiply(&wvp, &wv, &Cam.Projection);
    ASSERT_EQ(1u, Fx.Find("SetMatrix", "g_mWorldView").size());
    EXPECT_EQ(0, std::memcmp(&wv, Fx.Find("SetMatrix", "g_mWorldView")[0].Bytes.data(), 64));
    EXPECT_EQ(0, std::memcmp(&wvp, Fx.Find("SetMatrix", "g_mWorldViewProj")[0].Bytes.data(), 64));

    float value;
    std::memcpy(&value, Fx.Find("SetFloat", "g_time")[0].Bytes.data(), 4);
    EXPECT_EQ(2.5f, value);
    const std::vector<unsigned char> gravity = Fx.Find("SetValue", "g_gravity")[0].Bytes;
    ASSERT_EQ(12u, gravity.size());
    EXPECT_EQ(0, std::memcmp(&Pm.Gravity, gravity.data(), 12));
    std::memcpy(&value, Fx.Find("SetFloat", "g_camDistance")[0].Bytes.data(), 4);
    EXPECT_EQ(std::sqrt(404.0f), value); // the camera at the origin, emitter (0, 2, 20)
    EXPECT_EQ(Pm.Texture, Fx.Find("SetTexture", "g_texture")[0].Pointer);
    EXPECT_EQ(0u, Fx.Find("Begin")[0].Bytes[0]); // flags 0
    EXPECT_EQ(1u, Fx.Find("BeginPass")[1].Index);
    EXPECT_TRUE(Fx.Find("SetTechnique").empty()); // the effect's own technique
}

TEST_F(ParticleTest, CameraDistanceFollowsTheEye)
{
    Loaded();
    ASSERT_EQ(0, Pm.OnReset());
    Cam.Position = D3DXVECTOR3(3.0f, 6.0f, 8.0f); // (-3, -4, 12) away: 13
    Pm.Render();
    float value;
    std::memcpy(&value, Fx.Find("SetFloat", "g_camDistance")[0].Bytes.data(), 4);
    EXPECT_EQ(13.0f, value);
}

TEST_F(ParticleTest, WithoutABufferUpdateAgesButTouchesNoBufferAndRenderDrawsNothing)
{
    Loaded(0.5f);
    Spied().Script.CreateVertexBuffer = D3DERR_OUTOFVIDEOMEMORY;
    ASSERT_EQ(3, Pm.OnReset());
    Fake::Journal().clear();
    Pm.Update(0.25f);
    EXPECT_EQ(0.25f, Pm.Time);
    EXPECT_EQ(0.25f, Pm.Life[7]);
    Pm.Render();
    EXPECT_EQ(std::vector<std::string>{}, Fake::Journal());
}

TEST_F(ParticleTest, OnLostReleasesTheBufferAndTellsTheEffectAndMayRunTwice)
{
    Loaded();
    ASSERT_EQ(0, Pm.OnReset());
    Fake::Journal().clear();
    Pm.OnLost();
    Pm.OnLost();
    EXPECT_EQ(nullptr, Pm.VertexBuffer);
    EXPECT_EQ((std::vector<std::string>{"Fx.OnLostDevice", "Fx.OnLostDevice"}), Fake::Journal());
}

TEST_F(ParticleTest, OnResetFailuresAreLoggedWithTheirStatus)
{
    Loaded();
    struct Row
    {
        HRESULT SpyScript::*Method;
        int Status;
        const wchar_t* Call;
    } rows[] = {{&SpyScript::CreateVertexBuffer, 3, L"CreateVertexBuffer()"},
                {&SpyScript::Lock, 4, L"Lock()"},
                {&SpyScript::Unlock, 5, L"Unlock()"}};
    for (const Row& row : rows)
    {
        Spied().Script = SpyScript();
        Spied().Script.*row.Method = D3DERR_INVALIDCALL;
        EXPECT_EQ(row.Status, Pm.OnReset());
        Pm.OnLost();
    }
    Spied().Script = SpyScript();
    const std::vector<std::wstring> expected{
        Entry(L"OnReset", L"Function \"CreateVertexBuffer()\" returned an error. Error Code: 0x8876086C"),
        Entry(L"OnReset", L"Function \"Lock()\" returned an error. Error Code: 0x8876086C"),
        Entry(L"OnReset", L"Function \"Unlock()\" returned an error. Error Code: 0x8876086C")};
    EXPECT_EQ(expected, Log.Entries());
    EXPECT_TRUE(Fx.Find("OnResetDevice").empty());
}

TEST_F(ParticleTest, OnLoadWithoutTheEffectFileFailsWithStatusSix)
{
    WriteBitmap(Log.Folder() + L"\\particle.bmp");
    EXPECT_EQ(6, Pm.OnLoad(Dev.Device));
    EXPECT_EQ(Dev.Device, Pm.Device);
    EXPECT_EQ(nullptr, Pm.Texture);
    EXPECT_EQ(nullptr, Pm.Declaration);
    EXPECT_EQ(nullptr, Pm.Life);
    const std::vector<std::wstring> messages = Log.Entries();
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(std::wstring::npos, messages.back().find(L"particleEffect.fx"));
    for (const std::wstring& m : messages)
        EXPECT_EQ(std::wstring::npos, m.find(L"ParticleManager"));
}

// The spy's objects stand in for the real ones: a buffer holds its device and releases the real
// buffer at its last Release, and the device gives back the buffer it was given.
TEST_F(ParticleTest, TheSpysObjectsHoldAndHandBackReferencesAsTheRealOnes)
{
    IDirect3DDevice9* const real = Fake::Forwarding<IDirect3DDevice9>::Find(Dev.Device)->Real;
    const ULONG device = RefCount(Dev.Device), realDevice = RefCount(real);
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(D3D_OK, Dev.Device->CreateVertexBuffer(96, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr));
    EXPECT_EQ(1u, RefCount(buffer));
    EXPECT_EQ(device + 1, RefCount(Dev.Device));
    EXPECT_EQ(realDevice + 1, RefCount(real));
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(D3D_OK, buffer->GetDevice(&owner));
    EXPECT_EQ(Dev.Device, owner);
    owner->Release();

    ASSERT_EQ(D3D_OK, Dev.Device->SetStreamSource(0, buffer, 0, 12));
    IDirect3DVertexBuffer9* bound = nullptr;
    UINT offset = 1, stride = 0;
    ASSERT_EQ(D3D_OK, Dev.Device->GetStreamSource(0, &bound, &offset, &stride));
    EXPECT_EQ(buffer, bound);
    EXPECT_EQ(0u, offset);
    EXPECT_EQ(12u, stride);
    EXPECT_EQ(2u, RefCount(buffer));
    bound->Release();
    Dev.Device->SetStreamSource(0, nullptr, 0, 0);

    EXPECT_EQ(0u, buffer->Release());
    EXPECT_EQ(device, RefCount(Dev.Device));
    EXPECT_EQ(realDevice, RefCount(real));
}

class ParticleLoadTest : public ParticleTest
{
protected:
    void SetUp() override
    {
        ParticleTest::SetUp();
        ASSERT_TRUE(CopyRunFile(L"particleEffect.fx", Log.Folder())) << "the compiled effects are missing";
    }
};

TEST_F(ParticleLoadTest, OnLoadCreatesEffectTextureDeclarationAndLives)
{
    WriteBitmap(Log.Folder() + L"\\particle.bmp");
    ASSERT_EQ(0, Pm.OnLoad(Dev.Device));
    EXPECT_NE(nullptr, Pm.ParticleEffect.Fx);
    ASSERT_NE(nullptr, Pm.Texture);
    ASSERT_NE(nullptr, Pm.Declaration);
    ASSERT_NE(nullptr, Pm.Life);
    for (unsigned j = 0; j < Particles; ++j)
        EXPECT_EQ(0.0f, Pm.Life[j]);

    const std::vector<D3DVERTEXELEMENT9> expected{{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                                  {0, 12, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                                  {0, 16, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                                  {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}};
    ASSERT_EQ(expected.size(), Spied().Elements.size());
    EXPECT_EQ(0, std::memcmp(expected.data(), Spied().Elements.data(), expected.size() * sizeof(D3DVERTEXELEMENT9)));

    // A32 managed texture, opaque black keyed out to transparent.
    D3DSURFACE_DESC desc;
    ASSERT_EQ(D3D_OK, Pm.Texture->GetLevelDesc(0, &desc));
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
    D3DLOCKED_RECT rect;
    ASSERT_EQ(D3D_OK, Pm.Texture->LockRect(0, &rect, nullptr, D3DLOCK_READONLY));
    const DWORD* row = static_cast<const DWORD*>(rect.pBits);
    EXPECT_EQ(0x00000000u, row[0]);
    EXPECT_EQ(0xFFFFFFFFu, row[3]);
    Pm.Texture->UnlockRect(0);
    EXPECT_EQ(std::vector<std::wstring>{}, Log.Entries());

    // OnRelease clears everything it created; a second one is harmless.
    Pm.OnLost();
    Pm.OnRelease();
    Pm.OnRelease();
    EXPECT_EQ(nullptr, Pm.Life);
    EXPECT_EQ(nullptr, Pm.Declaration);
    EXPECT_EQ(nullptr, Pm.Texture);
    EXPECT_EQ(nullptr, Pm.ParticleEffect.Fx);
}

TEST_F(ParticleLoadTest, AMissingTextureIsLine110AndStatusSeven)
{
    EXPECT_EQ(7, Pm.OnLoad(Dev.Device));
    EXPECT_EQ(nullptr, Pm.Texture);
    EXPECT_EQ(nullptr, Pm.Declaration);
    EXPECT_EQ(
        std::vector<std::wstring>{Entry(L"OnLoad", L"Function \"D3DXCreateTextureFromFileEx()\" returned an error. "
                                                   L"Error Code: 0x88760B59")},
        Log.Entries());
}

TEST_F(ParticleLoadTest, AFailedDeclarationIsLine125AndStatusTwo)
{
    WriteBitmap(Log.Folder() + L"\\particle.bmp");
    Spied().Script.CreateVertexDeclaration = E_OUTOFMEMORY;
    EXPECT_EQ(2, Pm.OnLoad(Dev.Device));
    EXPECT_NE(nullptr, Pm.Texture); // not undone
    EXPECT_EQ(nullptr, Pm.Life);
    EXPECT_EQ(std::vector<std::wstring>{Entry(L"OnLoad", L"Function \"CreateVertexDeclaration()\" returned an error. "
                                                         L"Error Code: 0x8007000E")},
              Log.Entries());
}

TEST_F(ParticleLoadTest, NoMemoryForTheLivesIsLine131AndStatusOne)
{
    WriteBitmap(Log.Folder() + L"\\particle.bmp");
    FailFloatArrays = true;
    const int status = Pm.OnLoad(Dev.Device);
    FailFloatArrays = false;
    EXPECT_EQ(1, status);
    EXPECT_EQ(nullptr, Pm.Life);
    EXPECT_NE(nullptr, Pm.Declaration);
    EXPECT_EQ(std::vector<std::wstring>{Entry(L"OnLoad", L"Out of memory")}, Log.Entries());
}
