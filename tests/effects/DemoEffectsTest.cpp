// The demo's three compiled effects under Wine's real D3DX: loading, parameter layout, validation,
// and what they draw (read back from the render target).
#include "DeviceFixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

// D3DX describes an object parameter (a texture) by the size of a pointer: 4 bytes on Win32, 8 on x64.
constexpr UINT ObjectBytes = sizeof(void*);

struct ParamExpectation
{
    const char* Name;
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Bytes;
    UINT StructMembers;
};

void ExpectParameters(ID3DXEffect* fx, const std::vector<ParamExpectation>& expected)
{
    for (const ParamExpectation& e : expected)
    {
        SCOPED_TRACE(e.Name);
        D3DXHANDLE h = fx->GetParameterByName(nullptr, e.Name);
        ASSERT_NE(h, nullptr);
        D3DXPARAMETER_DESC desc;
        ASSERT_EQ(fx->GetParameterDesc(h, &desc), D3D_OK);
        EXPECT_STREQ(desc.Name, e.Name);
        EXPECT_EQ(desc.Class, e.Class);
        EXPECT_EQ(desc.Type, e.Type);
        EXPECT_EQ(desc.Bytes, e.Bytes);
        EXPECT_EQ(desc.StructMembers, e.StructMembers);
        EXPECT_EQ(desc.Elements, 0u);
    }
}

struct LightValue
{
    float Position[3];
    float Color[4];
    float Factors[3];
};
static_assert(sizeof(LightValue) == 40, "g_light is 40 bytes");
static_assert(sizeof(D3DMATERIAL9) == 68, "g_material is 68 bytes");

struct Camera
{
    D3DXMATRIX View, Projection;
    float Eye; // distance of the eye from the origin along -z
};

Camera MakeCamera(float distance)
{
    Camera c;
    const D3DXVECTOR3 eye(0, 0, -distance), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&c.View, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&c.Projection, D3DX_PI / 4, 1.0f, 1.0f, 100.0f);
    c.Eye = distance;
    return c;
}

// CPU reference of effect.fx's lighting for the unit sphere at the origin seen through pixel (x, y).
// View space: the eye at the origin, the sphere centre at (0, 0, distance).
bool ReferenceColour(int x, int y, float distance, const LightValue& light, const D3DMATERIAL9& m,
                     const D3DXCOLOR& texel, float out[3])
{
    const float t = std::tan(D3DX_PI / 8);
    D3DXVECTOR3 dir(((x + 0.5f) / 128.0f - 1.0f) * t, (1.0f - (y + 0.5f) / 128.0f) * t, 1.0f);
    D3DXVec3Normalize(&dir, &dir);
    const D3DXVECTOR3 c(0, 0, distance);
    const float b = D3DXVec3Dot(&dir, &c);
    const float disc = b * b - (D3DXVec3Dot(&c, &c) - 1.0f);
    if (disc < 0)
        return false;
    const D3DXVECTOR3 p = dir * (b - std::sqrt(disc));
    D3DXVECTOR3 n = p - c;
    D3DXVec3Normalize(&n, &n);
    D3DXVECTOR3 l = D3DXVECTOR3(light.Position) - p;
    const float d = D3DXVec3Length(&l);
    l /= d;
    const float att = 1.0f / (light.Factors[0] + light.Factors[1] * d + light.Factors[2] * d * d);
    const float nl = std::max(0.0f, D3DXVec3Dot(&n, &l));
    // Blinn highlight with the eye at the view-space origin.
    D3DXVECTOR3 v = -p;
    D3DXVec3Normalize(&v, &v);
    D3DXVECTOR3 h = v + l;
    D3DXVec3Normalize(&h, &h);
    const float nh = D3DXVec3Dot(&n, &h);
    const float specular = (nl > 0 && nh > 0) ? std::pow(nh, m.Power) : 0.0f;
    const float* md = &m.Diffuse.r;
    const float* ma = &m.Ambient.r;
    const float* ms = &m.Specular.r;
    const float* me = &m.Emissive.r;
    const float tex[3] = {texel.r, texel.g, texel.b};
    for (int i = 0; i < 3; ++i)
    {
        const float lit = std::min(1.0f, me[i] + light.Color[i] * (ma[i] + md[i] * nl * att));
        const float highlight = std::min(1.0f, light.Color[i] * ms[i] * specular * att);
        out[i] = std::min(1.0f, lit * tex[i] + highlight) * 255.0f;
    }
    return true;
}

class DemoEffects : public DeviceTest
{
protected:
    // D3DX sphere of radius 1; with texture coordinates u = x/2 + 0.5, v = 0.5 - y/2 when asked.
    ID3DXMesh* MakeSphere(bool withUv)
    {
        ID3DXMesh* sphere = nullptr;
        EXPECT_EQ(D3DXCreateSphere(Device, 1.0f, 48, 48, &sphere, nullptr), D3D_OK);
        if (!sphere)
            return nullptr;
        const D3DVERTEXELEMENT9 layout[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
            {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            D3DDECL_END()};
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(sphere->CloneMesh(D3DXMESH_MANAGED, layout, Device, &mesh), D3D_OK);
        sphere->Release();
        if (!mesh)
            return nullptr;
        Track(mesh);
        float* v = nullptr;
        if (mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v)) == D3D_OK)
        {
            for (DWORD i = 0; i < mesh->GetNumVertices(); ++i, v += 8)
            {
                v[6] = withUv ? v[0] * 0.5f + 0.5f : 0.0f;
                v[7] = withUv ? 0.5f - v[1] * 0.5f : 0.0f;
            }
            mesh->UnlockVertexBuffer();
        }
        return mesh;
    }

    // The demo's DrawMeshSubset: every pass of the current technique.
    void Draw(ID3DXEffect* fx, ID3DXMesh* mesh)
    {
        ASSERT_EQ(Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(Device->BeginScene(), D3D_OK);
        UINT passes = 0;
        ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
        EXPECT_EQ(passes, 1u);
        for (UINT p = 0; p < passes; ++p)
        {
            EXPECT_EQ(fx->BeginPass(p), D3D_OK);
            EXPECT_EQ(mesh->DrawSubset(0), D3D_OK);
            EXPECT_EQ(fx->EndPass(), D3D_OK);
        }
        EXPECT_EQ(fx->End(), D3D_OK);
        ASSERT_EQ(Device->EndScene(), D3D_OK);
    }

    void SetLitParameters(ID3DXEffect* fx, const Camera& cam, const LightValue& light, const D3DMATERIAL9& material)
    {
        const D3DXMATRIX wvp = cam.View * cam.Projection;
        EXPECT_EQ(fx->SetMatrix("g_mWorldView", &cam.View), D3D_OK);
        EXPECT_EQ(fx->SetMatrix("g_mWorldViewProj", &wvp), D3D_OK);
        EXPECT_EQ(fx->SetValue("g_light", &light, sizeof(light)), D3D_OK);
        EXPECT_EQ(fx->SetValue("g_material", &material, sizeof(material)), D3D_OK);
    }

    void ExpectNear(const std::vector<uint32_t>& pixels, int x, int y, const float expected[3], int tolerance)
    {
        const Rgb p = Pixel(pixels, x, y);
        EXPECT_NEAR(p.R, expected[0], tolerance) << "pixel " << x << "," << y;
        EXPECT_NEAR(p.G, expected[1], tolerance) << "pixel " << x << "," << y;
        EXPECT_NEAR(p.B, expected[2], tolerance) << "pixel " << x << "," << y;
    }
};

D3DMATERIAL9 Material(D3DXCOLOR diffuse, D3DXCOLOR ambient, D3DXCOLOR emissive)
{
    D3DMATERIAL9 m = {};
    m.Diffuse = diffuse;
    m.Ambient = ambient;
    m.Emissive = emissive;
    m.Specular = D3DXCOLOR(0, 0, 0, 0);
    m.Power = 0;
    return m;
}

} // namespace

TEST_F(DemoEffects, SceneEffectOffersTheDemoParametersAndBothTechniquesValidate)
{
    ID3DXEffect* fx = LoadFile(RunFile(L"effect.fx"));
    ASSERT_NE(fx, nullptr);
    ExpectParameters(fx, {{"g_mWorldView", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 64, 0},
                          {"g_mWorldViewProj", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 64, 0},
                          {"g_light", D3DXPC_STRUCT, D3DXPT_VOID, 40, 3},
                          {"g_material", D3DXPC_STRUCT, D3DXPT_VOID, 68, 5},
                          {"g_texture", D3DXPC_OBJECT, D3DXPT_TEXTURE, ObjectBytes, 0}});
    for (const char* name : {"WithoutTexture", "WithTexture"})
    {
        SCOPED_TRACE(name);
        D3DXHANDLE t = fx->GetTechniqueByName(name);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(fx->ValidateTechnique(t), D3D_OK);
        EXPECT_EQ(fx->SetTechnique(name), D3D_OK);
    }
    // The demo sets whole records by name with SetValue.
    LightValue light = {{1, 2, 3}, {0.5f, 0.25f, 1, 1}, {0, 0.05f, 0}};
    EXPECT_EQ(fx->SetValue("g_light", &light, 40), D3D_OK);
    LightValue back = {};
    EXPECT_EQ(fx->GetValue("g_light", &back, 40), D3D_OK);
    EXPECT_EQ(std::memcmp(&light, &back, 40), 0);
    D3DMATERIAL9 material =
        Material(D3DXCOLOR(0.8f, 0.4f, 0.2f, 1), D3DXCOLOR(0.1f, 0.1f, 0.1f, 0), D3DXCOLOR(0, 0, 0, 0));
    material.Power = 7;
    EXPECT_EQ(fx->SetValue("g_material", &material, 68), D3D_OK);
    float power = 0;
    EXPECT_EQ(fx->GetFloat(fx->GetParameterByName("g_material", "Power"), &power), D3D_OK);
    EXPECT_EQ(power, 7.0f);
}

TEST_F(DemoEffects, LightAndParticleEffectsOfferTheirParameters)
{
    ID3DXEffect* light = LoadFile(RunFile(L"light.fx"));
    ASSERT_NE(light, nullptr);
    ExpectParameters(light, {{"g_mWorldViewProj", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 64, 0}});
    D3DXHANDLE t = nullptr;
    EXPECT_EQ(light->FindNextValidTechnique(nullptr, &t), D3D_OK);
    EXPECT_NE(t, nullptr);

    ID3DXEffect* particles = LoadFile(RunFile(L"particleEffect.fx"));
    ASSERT_NE(particles, nullptr);
    ExpectParameters(particles, {{"g_mWorldView", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 64, 0},
                                 {"g_mWorldViewProj", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 64, 0},
                                 {"g_time", D3DXPC_SCALAR, D3DXPT_FLOAT, 4, 0},
                                 {"g_gravity", D3DXPC_VECTOR, D3DXPT_FLOAT, 12, 0},
                                 {"g_camDistance", D3DXPC_SCALAR, D3DXPT_FLOAT, 4, 0},
                                 {"g_texture", D3DXPC_OBJECT, D3DXPT_TEXTURE, ObjectBytes, 0}});
    t = nullptr;
    EXPECT_EQ(particles->FindNextValidTechnique(nullptr, &t), D3D_OK);
    EXPECT_NE(t, nullptr);
    const float gravity[3] = {0, -9.8f, 0};
    EXPECT_EQ(particles->SetValue("g_gravity", gravity, 12), D3D_OK);
}

TEST_F(DemoEffects, WithoutTextureLightsTheSideFacingTheLight)
{
    ID3DXEffect* fx = LoadFile(RunFile(L"effect.fx"));
    ASSERT_NE(fx, nullptr);
    ID3DXMesh* sphere = MakeSphere(false);
    ASSERT_NE(sphere, nullptr);
    const Camera cam = MakeCamera(5);
    // Light to the right of the sphere, in front of it (view space).
    const LightValue light = {{3, 0, 2}, {1, 1, 1, 1}, {1, 0, 0}};
    const D3DMATERIAL9 material =
        Material(D3DXCOLOR(0.8f, 0.4f, 0.2f, 1), D3DXCOLOR(0.1f, 0.1f, 0.1f, 0), D3DXCOLOR(0, 0, 0.05f, 0));
    ASSERT_EQ(fx->SetTechnique("WithoutTexture"), D3D_OK);
    SetLitParameters(fx, cam, light, material);
    Draw(fx, sphere);
    const std::vector<uint32_t> pixels = ReadBack();
    ASSERT_EQ(pixels.size(), size_t(Size * Size));

    const D3DXCOLOR white(1, 1, 1, 1);
    for (int x : {88, 128, 168})
    {
        float expected[3];
        ASSERT_TRUE(ReferenceColour(x, 128, cam.Eye, light, material, white, expected));
        ExpectNear(pixels, x, 128, expected, 12);
    }
    const Rgb left = Pixel(pixels, 88, 128);
    const Rgb right = Pixel(pixels, 168, 128);
    EXPECT_GT(right.R + right.G + right.B, 3 * (left.R + left.G + left.B));
    const Rgb corner = Pixel(pixels, 5, 5);
    EXPECT_EQ(corner.R + corner.G + corner.B, 0);
}

TEST_F(DemoEffects, WithoutTextureAddsTheSpecularHighlight)
{
    ID3DXEffect* fx = LoadFile(RunFile(L"effect.fx"));
    ASSERT_NE(fx, nullptr);
    ID3DXMesh* sphere = MakeSphere(false);
    ASSERT_NE(sphere, nullptr);
    const Camera cam = MakeCamera(5);
    const LightValue light = {{0, 0, 0}, {1, 1, 1, 1}, {1, 0, 0}};
    D3DMATERIAL9 material = Material(D3DXCOLOR(0.2f, 0, 0, 1), D3DXCOLOR(0, 0, 0, 0), D3DXCOLOR(0, 0, 0, 0));
    material.Specular = D3DXCOLOR(0, 1, 0, 0);
    material.Power = 8;
    ASSERT_EQ(fx->SetTechnique("WithoutTexture"), D3D_OK);
    SetLitParameters(fx, cam, light, material);
    Draw(fx, sphere);
    const std::vector<uint32_t> pixels = ReadBack();
    ASSERT_EQ(pixels.size(), size_t(Size * Size));
    // Green comes only from the highlight: full facing the eye, fading towards the rim.
    for (int x : {128, 150, 170})
    {
        float expected[3];
        ASSERT_TRUE(ReferenceColour(x, 128, cam.Eye, light, material, D3DXCOLOR(1, 1, 1, 1), expected));
        ExpectNear(pixels, x, 128, expected, 12);
    }
    EXPECT_GT(Pixel(pixels, 128, 128).G, 240);
    EXPECT_LT(Pixel(pixels, 175, 128).G, Pixel(pixels, 150, 128).G);
}

TEST_F(DemoEffects, WithoutTextureAttenuatesWithTheDemoFactors)
{
    ID3DXEffect* fx = LoadFile(RunFile(L"effect.fx"));
    ASSERT_NE(fx, nullptr);
    ID3DXMesh* sphere = MakeSphere(false);
    ASSERT_NE(sphere, nullptr);
    const Camera cam = MakeCamera(5);
    const D3DMATERIAL9 material = Material(D3DXCOLOR(1, 1, 1, 1), D3DXCOLOR(0, 0, 0, 0), D3DXCOLOR(0, 0, 0, 0));
    ASSERT_EQ(fx->SetTechnique("WithoutTexture"), D3D_OK);
    // The demo's factors (0, 0.05, 0): 1 / (0.05 d), so the light dims with distance.
    std::vector<int> brightness;
    for (float distance : {25.0f, 50.0f})
    {
        const LightValue light = {{0, 0, 5 - distance}, {1, 1, 1, 1}, {0, 0.05f, 0}};
        SetLitParameters(fx, cam, light, material);
        Draw(fx, sphere);
        const std::vector<uint32_t> pixels = ReadBack();
        ASSERT_EQ(pixels.size(), size_t(Size * Size));
        float expected[3];
        ASSERT_TRUE(ReferenceColour(128, 128, cam.Eye, light, material, D3DXCOLOR(1, 1, 1, 1), expected));
        ExpectNear(pixels, 128, 128, expected, 6);
        brightness.push_back(Pixel(pixels, 128, 128).G);
    }
    EXPECT_GT(brightness[0], brightness[1] + 60);
}

TEST_F(DemoEffects, WorldViewMatrixPlacesTheSphere)
{
    ID3DXEffect* fx = LoadFile(RunFile(L"effect.fx"));
    ASSERT_NE(fx, nullptr);
    ID3DXMesh* sphere = MakeSphere(false);
    ASSERT_NE(sphere, nullptr);
    Camera cam = MakeCamera(5);
    const LightValue light = {{0, 0, 0}, {1, 1, 1, 1}, {1, 0, 0}};
    ASSERT_EQ(fx->SetTechnique("WithoutTexture"), D3D_OK);
    SetLitParameters(fx, cam, light, Material(D3DXCOLOR(1, 1, 1, 1), D3DXCOLOR(0, 0, 0, 0), D3DXCOLOR(0, 0, 0, 0)));
    // The sphere moved right by its world matrix appears only on the right.
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 1.5f, 0, 0);
    const D3DXMATRIX wv = world * cam.View;
    const D3DXMATRIX wvp = wv * cam.Projection;
    EXPECT_EQ(fx->SetMatrix("g_mWorldView", &wv), D3D_OK);
    EXPECT_EQ(fx->SetMatrix("g_mWorldViewProj", &wvp), D3D_OK);
    Draw(fx, sphere);
    const std::vector<uint32_t> pixels = ReadBack();
    ASSERT_EQ(pixels.size(), size_t(Size * Size));
    const int centre = 128 + static_cast<int>(1.5f * 128 / (5 * std::tan(D3DX_PI / 8)));
    EXPECT_GT(Pixel(pixels, centre, 128).R, 100);
    EXPECT_EQ(Pixel(pixels, 256 - centre, 128).R, 0);
}

TEST_F(DemoEffects, WithTextureModulatesByTheTexture)
{
    ID3DXEffect* fx = LoadFile(RunFile(L"effect.fx"));
    ASSERT_NE(fx, nullptr);
    ID3DXMesh* sphere = MakeSphere(true);
    ASSERT_NE(sphere, nullptr);
    // Left half red, right half blue (u < 0.5 is the sphere's left side).
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    Track(texture);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            static_cast<uint32_t*>(locked.pBits)[y * locked.Pitch / 4 + x] = x < 32 ? 0xFFFF0000 : 0xFF0000FF;
    texture->UnlockRect(0);

    const Camera cam = MakeCamera(5);
    const LightValue light = {{0, 0, 0}, {1, 1, 1, 1}, {1, 0, 0}};
    const D3DMATERIAL9 material = Material(D3DXCOLOR(1, 1, 1, 1), D3DXCOLOR(0, 0, 0, 0), D3DXCOLOR(0, 0, 0, 0));
    ASSERT_EQ(fx->SetTechnique("WithTexture"), D3D_OK);
    SetLitParameters(fx, cam, light, material);
    EXPECT_EQ(fx->SetTexture("g_texture", texture), D3D_OK);
    Draw(fx, sphere);
    const std::vector<uint32_t> pixels = ReadBack();
    ASSERT_EQ(pixels.size(), size_t(Size * Size));

    float expected[3];
    ASSERT_TRUE(ReferenceColour(98, 128, cam.Eye, light, material, D3DXCOLOR(1, 0, 0, 1), expected));
    ExpectNear(pixels, 98, 128, expected, 12);
    ASSERT_TRUE(ReferenceColour(158, 128, cam.Eye, light, material, D3DXCOLOR(0, 0, 1, 1), expected));
    ExpectNear(pixels, 158, 128, expected, 12);
}

TEST_F(DemoEffects, LightEffectDrawsTheMarkerInALightColour)
{
    ID3DXEffect* fx = LoadFile(RunFile(L"light.fx"));
    ASSERT_NE(fx, nullptr);
    ID3DXMesh* sphere = MakeSphere(false);
    ASSERT_NE(sphere, nullptr);
    const Camera cam = MakeCamera(5);
    const D3DXMATRIX wvp = cam.View * cam.Projection;
    EXPECT_EQ(fx->SetMatrix("g_mWorldViewProj", &wvp), D3D_OK);
    Draw(fx, sphere);
    const std::vector<uint32_t> pixels = ReadBack();
    ASSERT_EQ(pixels.size(), size_t(Size * Size));
    for (int x : {80, 128, 176})
    {
        const Rgb p = Pixel(pixels, x, 128);
        EXPECT_GE(p.R, 240);
        EXPECT_GE(p.G, 240);
        EXPECT_GE(p.B, 180);
    }
    const Rgb outside = Pixel(pixels, 128, 10);
    EXPECT_EQ(outside.R + outside.G + outside.B, 0);
}
