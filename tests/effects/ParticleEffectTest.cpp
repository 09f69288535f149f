// particleEffect.fx under Wine's real D3DX: sprites where start + v*t + g*t^2/2 puts them,
// textured, blended additively, sized from the camera distance.
#include "DeviceFixture.h"

#include <cmath>
#include <cstring>

namespace
{

struct ParticleVertex
{
    float Position[3];
    float BirthTime;
    float Velocity[3];
};
static_assert(sizeof(ParticleVertex) == 28, "the demo's particle record");

class ParticleEffect : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (HasFatalFailure())
            return;
        Fx = LoadFile(RunFile(L"particleEffect.fx"));
        ASSERT_NE(Fx, nullptr);
        const D3DVERTEXELEMENT9 layout[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT1, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            {0, 16, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
            D3DDECL_END()};
        ASSERT_EQ(Device->CreateVertexDeclaration(layout, &Declaration), D3D_OK);
        Track(Declaration);
        // Opaque texels of one colour: a sprite pixel shows exactly that colour over black.
        ASSERT_EQ(Device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &Texture, nullptr), D3D_OK);
        Track(Texture);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(Texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                static_cast<uint32_t*>(locked.pBits)[y * locked.Pitch / 4 + x] = TexelColour;
        Texture->UnlockRect(0);
    }

    // Draws the particles as the demo does: one point list per pass. Returns the pixels.
    std::vector<uint32_t> Render(const std::vector<ParticleVertex>& particles, float time, const D3DXVECTOR3& gravity,
                                 float camDistance)
    {
        IDirect3DVertexBuffer9* vb = nullptr;
        const UINT bytes = static_cast<UINT>(particles.size() * sizeof(ParticleVertex));
        EXPECT_EQ(
            Device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS, 0, D3DPOOL_MANAGED, &vb, nullptr),
            D3D_OK);
        if (!vb)
            return {};
        void* data = nullptr;
        if (vb->Lock(0, 0, &data, 0) == D3D_OK)
        {
            std::memcpy(data, particles.data(), bytes);
            vb->Unlock();
        }
        const D3DXMATRIX wvp = View * Projection;
        EXPECT_EQ(Fx->SetMatrix("g_mWorldView", &View), D3D_OK);
        EXPECT_EQ(Fx->SetMatrix("g_mWorldViewProj", &wvp), D3D_OK);
        EXPECT_EQ(Fx->SetFloat("g_time", time), D3D_OK);
        EXPECT_EQ(Fx->SetValue("g_gravity", &gravity, 12), D3D_OK);
        EXPECT_EQ(Fx->SetFloat("g_camDistance", camDistance), D3D_OK);
        EXPECT_EQ(Fx->SetTexture("g_texture", Texture), D3D_OK);

        EXPECT_EQ(Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
        EXPECT_EQ(Device->BeginScene(), D3D_OK);
        UINT passes = 0;
        EXPECT_EQ(Fx->Begin(&passes, 0), D3D_OK);
        for (UINT p = 0; p < passes; ++p)
        {
            EXPECT_EQ(Fx->BeginPass(p), D3D_OK);
            PassStates.clear();
            for (D3DRENDERSTATETYPE s : {D3DRS_ZWRITEENABLE, D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND,
                                         D3DRS_BLENDOP, D3DRS_POINTSPRITEENABLE})
            {
                DWORD v = 0xDEAD;
                Device->GetRenderState(s, &v);
                PassStates.push_back(v);
            }
            Device->SetVertexDeclaration(Declaration);
            Device->SetStreamSource(0, vb, 0, sizeof(ParticleVertex));
            EXPECT_EQ(Device->DrawPrimitive(D3DPT_POINTLIST, 0, static_cast<UINT>(particles.size())), D3D_OK);
            EXPECT_EQ(Fx->EndPass(), D3D_OK);
        }
        EXPECT_EQ(Fx->End(), D3D_OK);
        EXPECT_EQ(Device->EndScene(), D3D_OK);
        Device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
        return ReadBack();
    }

    // Where the formula puts a particle, in pixels.
    void Project(const ParticleVertex& v, float time, const D3DXVECTOR3& g, int& x, int& y) const
    {
        const float t = time - v.BirthTime;
        const D3DXVECTOR3 p = D3DXVECTOR3(v.Position) + D3DXVECTOR3(v.Velocity) * t + g * (0.5f * t * t);
        const D3DXMATRIX wvp = View * Projection;
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &p, &wvp);
        x = static_cast<int>(std::floor((ndc.x + 1) * 0.5f * Size));
        y = static_cast<int>(std::floor((1 - ndc.y) * 0.5f * Size));
    }

    // Lit pixels in the row through (x, y), counted outwards from it.
    static int RunWidth(const std::vector<uint32_t>& pixels, int x, int y)
    {
        int width = 1;
        for (int i = x - 1; i >= 0 && (pixels[y * Size + i] & 0xFFFFFF); --i)
            ++width;
        for (int i = x + 1; i < static_cast<int>(Size) && (pixels[y * Size + i] & 0xFFFFFF); ++i)
            ++width;
        return width;
    }

    void UseCamera(float distance)
    {
        const D3DXVECTOR3 eye(0, 0, -distance), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&View, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&Projection, D3DX_PI / 4, 1.0f, 1.0f, 100.0f);
    }

    static const uint32_t TexelColour = 0xFF402010;
    ID3DXEffect* Fx = nullptr;
    IDirect3DVertexDeclaration9* Declaration = nullptr;
    IDirect3DTexture9* Texture = nullptr;
    D3DXMATRIX View, Projection;
    std::vector<DWORD> PassStates;
};

} // namespace

TEST_F(ParticleEffect, SpritesLandWhereTheFormulaPutsThemAndAddUp)
{
    UseCamera(8);
    const D3DXVECTOR3 gravity(0, -2, 0);
    const float time = 2;
    // Two particles at rest at the emitter (they overlap), one thrown sideways, one falling from the left.
    const std::vector<ParticleVertex> particles = {
        {{0, 0, 0}, 2, {0, 0, 0}}, {{0, 0, 0}, 2, {0, 0, 0}}, {{0, 0, 0}, 1, {2, 3, 0}}, {{-2, 0, 0}, 0, {0, 1, 0}}};
    const std::vector<uint32_t> pixels = Render(particles, time, gravity, 8);
    ASSERT_EQ(pixels.size(), size_t(Size * Size));

    int x = 0, y = 0;
    Project(particles[0], time, gravity, x, y);
    const Rgb overlap = Pixel(pixels, x, y);
    EXPECT_EQ(overlap.R, 2 * 0x40); // additive: two texels on top of each other
    EXPECT_EQ(overlap.G, 2 * 0x20);
    EXPECT_EQ(overlap.B, 2 * 0x10);
    for (int i : {2, 3})
    {
        Project(particles[i], time, gravity, x, y);
        SCOPED_TRACE(i);
        ASSERT_TRUE(x > 0 && x < static_cast<int>(Size) && y > 0 && y < static_cast<int>(Size));
        const Rgb p = Pixel(pixels, x, y);
        EXPECT_EQ(p.R, 0x40);
        EXPECT_EQ(p.G, 0x20);
        EXPECT_EQ(p.B, 0x10);
    }
    // Nothing between the sprites.
    const Rgb gap = Pixel(pixels, 128, 200);
    EXPECT_EQ(gap.R + gap.G + gap.B, 0);
    ASSERT_EQ(PassStates.size(), 6u);
    EXPECT_EQ(PassStates[0], DWORD(FALSE)); // no depth writes
    EXPECT_EQ(PassStates[1], DWORD(TRUE));
    EXPECT_EQ(PassStates[2], DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(PassStates[3], DWORD(D3DBLEND_ONE));
    EXPECT_EQ(PassStates[4], DWORD(D3DBLENDOP_ADD));
    EXPECT_EQ(PassStates[5], DWORD(TRUE));
}

TEST_F(ParticleEffect, SpritesAreBiggerWhenTheCameraIsNear)
{
    UseCamera(8);
    const D3DXVECTOR3 gravity(0, -9.8f, 0);
    const std::vector<ParticleVertex> particles = {{{0, 0, 0}, 5, {0, 0, 0}}};
    int x = 0, y = 0;
    Project(particles[0], 5, gravity, x, y);
    const std::vector<uint32_t> nearPixels = Render(particles, 5, gravity, 8);
    const std::vector<uint32_t> farPixels = Render(particles, 5, gravity, 16);
    ASSERT_EQ(nearPixels.size(), size_t(Size * Size));
    ASSERT_EQ(farPixels.size(), size_t(Size * Size));
    const int nearWidth = RunWidth(nearPixels, x, y);
    const int farWidth = RunWidth(farPixels, x, y);
    EXPECT_GT(nearWidth, farWidth);
    // Size is inversely proportional to the distance.
    EXPECT_NEAR(static_cast<double>(nearWidth) / farWidth, 2.0, 0.25);
    EXPECT_GE(farWidth, 4);
}
