// Every declaration and state kind the compiler accepts, loaded by Wine's real D3DX and checked on
// the device inside the pass: parameter layout, defaults, annotations, states, shader registers.
#include "DeviceFixture.h"

#include <cstring>

namespace
{

const char* const EverythingSource = R"FX(
struct Inner { float2 A; float B; };
struct Outer { float4 C; Inner D; float3x3 M; };

float g_f = 1.5;
float2 g_f2 = {1, 2};
float3 g_f3 : DIRECTION = float3(1, 2, 3);
float4 g_f4 <float UIMin = 0.5; int Bytes = 16;> = {0.25, 0.5, 1.0, -1.0};
float4x4 g_m;
row_major float4x4 g_mr;
int g_i = 3;
bool g_b = true;
float4 g_arr[2] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
Outer g_outer;
shared float g_shared;
texture g_tex;
texture2D g_tex2;
sampler g_s = sampler_state { Texture = (g_tex); AddressU = Mirror; };
sampler2D g_s2 = sampler_state
{
    Texture = <g_tex2>; MinFilter = Point; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Border; BorderColor = 0xFF00FF00; MaxAnisotropy = 4; MipMapLodBias = -0.5;
};

technique All
{
    pass P0
    {
        ZEnable = TRUE; FillMode = Wireframe; ShadeMode = Flat; ZWriteEnable = false; AlphaTestEnable = TRUE;
        SrcBlend = InvSrcAlpha; DestBlend = DestColor; CullMode = CW; ZFunc = GreaterEqual; AlphaRef = 128;
        AlphaFunc = NotEqual; AlphaBlendEnable = TRUE; FogEnable = FALSE; Wrap0 = 1; Clipping = TRUE; Lighting = FALSE;
        PointSize = 4.0; PointSize_Min = 2; PointSize_Max = 40.5; PointSpriteEnable = TRUE; PointScaleEnable = TRUE;
        PointScale_A = 0.25; PointScale_B = 0.5; PointScale_C = 2.0; ColorWriteEnable = 7; BlendOp = RevSubtract;
        SeparateAlphaBlendEnable = FALSE;
        Texture[1] = <g_tex>;
        Sampler[0] = <g_s2>;
        MinFilter[2] = Anisotropic; AddressW[2] = MirrorOnce; MaxMipLevel[2] = 1; SRGBTexture[2] = FALSE;
        VertexShaderConstant4[0] = <g_m>;
        VertexShaderConstant4[4] = <g_mr>;
        VertexShaderConstant1[8] = <g_f4>;
        VertexShaderConstantF[9] = <g_outer>;
        VertexShaderConstant[20] = <g_arr>;
        VertexShaderConstant1[22] = <g_f>;
        VertexShaderConstant2[23] = <g_f2>;
        PixelShaderConstantF[0] = <g_f4>;
        PixelShaderConstant1[1] = <g_f3>;
        VertexShader = asm { vs_2_0
            dcl_position v0
            m4x4 oPos, v0, c0 };
        PixelShader = asm { ps_2_0
            add r0, c0, c1
            mov oC0, r0 };
    }
    pass P1 { CullMode = None; Sampler[3] = <g_s>; }
}

technique Second { pass { CullMode = CCW; } }
)FX";

class Declarations : public DeviceTest
{
};

} // namespace

TEST_F(Declarations, EveryDeclarationKindLoadsWithItsLayoutAndDefaults)
{
    ID3DXEffect* fx = LoadSource(EverythingSource);
    ASSERT_NE(fx, nullptr);
    D3DXEFFECT_DESC effect;
    ASSERT_EQ(fx->GetDesc(&effect), D3D_OK);
    EXPECT_EQ(effect.Parameters, 15u);
    EXPECT_EQ(effect.Techniques, 2u);

    struct Expected
    {
        const char* Name;
        D3DXPARAMETER_CLASS Class;
        D3DXPARAMETER_TYPE Type;
        UINT Rows, Columns, Elements, Members, Bytes;
    };
    const Expected expected[] = {
        {"g_f", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 0, 0, 4},
        {"g_f2", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, 0, 0, 8},
        {"g_f3", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, 0, 0, 12},
        {"g_f4", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, 0, 0, 16},
        {"g_m", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4, 0, 0, 64},
        {"g_mr", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4, 0, 0, 64},
        {"g_i", D3DXPC_SCALAR, D3DXPT_INT, 1, 1, 0, 0, 4},
        {"g_b", D3DXPC_SCALAR, D3DXPT_BOOL, 1, 1, 0, 0, 4},
        {"g_arr", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, 2, 0, 32},
        {"g_outer", D3DXPC_STRUCT, D3DXPT_VOID, 1, 1, 0, 3, 16 + 12 + 36},
        {"g_shared", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 0, 0, 4},
        {"g_tex", D3DXPC_OBJECT, D3DXPT_TEXTURE, 1, 1, 0, 0, 4},
        {"g_tex2", D3DXPC_OBJECT, D3DXPT_TEXTURE2D, 1, 1, 0, 0, 4},
        {"g_s", D3DXPC_OBJECT, D3DXPT_SAMPLER, 1, 1, 0, 0, 4},
        {"g_s2", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 1, 1, 0, 0, 4},
    };
    for (const Expected& e : expected)
    {
        SCOPED_TRACE(e.Name);
        D3DXHANDLE h = fx->GetParameterByName(nullptr, e.Name);
        ASSERT_NE(h, nullptr);
        D3DXPARAMETER_DESC d;
        ASSERT_EQ(fx->GetParameterDesc(h, &d), D3D_OK);
        EXPECT_EQ(d.Class, e.Class);
        EXPECT_EQ(d.Type, e.Type);
        if (e.Class != D3DXPC_OBJECT)
        {
            EXPECT_EQ(d.Bytes, e.Bytes);
        }
        if (e.Class != D3DXPC_OBJECT && e.Class != D3DXPC_STRUCT)
        {
            EXPECT_EQ(d.Rows, e.Rows);
            EXPECT_EQ(d.Columns, e.Columns);
        }
        EXPECT_EQ(d.Elements, e.Elements);
        EXPECT_EQ(d.StructMembers, e.Members);
    }

    float f = 0;
    EXPECT_EQ(fx->GetFloat("g_f", &f), D3D_OK);
    EXPECT_EQ(f, 1.5f);
    D3DXVECTOR4 v;
    EXPECT_EQ(fx->GetVector("g_f4", &v), D3D_OK);
    EXPECT_EQ(v, D3DXVECTOR4(0.25f, 0.5f, 1.0f, -1.0f));
    float f3[3] = {};
    EXPECT_EQ(fx->GetFloatArray("g_f3", f3, 3), D3D_OK);
    EXPECT_EQ(f3[2], 3.0f);
    D3DXVECTOR4 arr[2];
    EXPECT_EQ(fx->GetVectorArray("g_arr", arr, 2), D3D_OK);
    EXPECT_EQ(arr[1], D3DXVECTOR4(5, 6, 7, 8));
    INT i = 0;
    EXPECT_EQ(fx->GetInt("g_i", &i), D3D_OK);
    EXPECT_EQ(i, 3);
    BOOL b = FALSE;
    EXPECT_EQ(fx->GetBool("g_b", &b), D3D_OK);
    EXPECT_EQ(b, TRUE);

    D3DXPARAMETER_DESC d;
    ASSERT_EQ(fx->GetParameterDesc("g_f3", &d), D3D_OK);
    EXPECT_STREQ(d.Semantic, "DIRECTION");
    ASSERT_EQ(fx->GetParameterDesc("g_shared", &d), D3D_OK);
    EXPECT_EQ(d.Flags & D3DX_PARAMETER_SHARED, DWORD(D3DX_PARAMETER_SHARED));
    ASSERT_EQ(fx->GetParameterDesc("g_f4", &d), D3D_OK);
    EXPECT_EQ(d.Annotations, 2u);
    D3DXHANDLE uiMin = fx->GetAnnotationByName("g_f4", "UIMin");
    ASSERT_NE(uiMin, nullptr);
    EXPECT_EQ(fx->GetFloat(uiMin, &f), D3D_OK);
    EXPECT_EQ(f, 0.5f);
    EXPECT_NE(fx->GetParameterByName("g_outer", "D"), nullptr);
    EXPECT_NE(fx->GetParameterByName(nullptr, "g_outer.D.B"), nullptr);
}

TEST_F(Declarations, PassAppliesEveryStateKindAndBindsConstants)
{
    ID3DXEffect* fx = LoadSource(EverythingSource);
    ASSERT_NE(fx, nullptr);
    IDirect3DTexture9* tex = nullptr;
    IDirect3DTexture9* tex2 = nullptr;
    ASSERT_EQ(Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    Track(tex);
    ASSERT_EQ(Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex2, nullptr), D3D_OK);
    Track(tex2);
    EXPECT_EQ(fx->SetTexture("g_tex", tex), D3D_OK);
    EXPECT_EQ(fx->SetTexture("g_tex2", tex2), D3D_OK);
    D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(fx->SetMatrix("g_m", &m), D3D_OK);
    EXPECT_EQ(fx->SetMatrix("g_mr", &m), D3D_OK);
    float outer[16];
    for (int k = 0; k < 16; ++k)
        outer[k] = 100.0f + k;
    EXPECT_EQ(fx->SetValue("g_outer", outer, sizeof(outer)), D3D_OK);

    ASSERT_EQ(fx->SetTechnique("All"), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 2u);
    ASSERT_EQ(fx->BeginPass(0), D3D_OK);

    struct RS
    {
        D3DRENDERSTATETYPE State;
        DWORD Value;
    };
    auto bits = [](float x) {
        DWORD d;
        std::memcpy(&d, &x, 4);
        return d;
    };
    const RS renderStates[] = {{D3DRS_ZENABLE, D3DZB_TRUE},
                               {D3DRS_FILLMODE, D3DFILL_WIREFRAME},
                               {D3DRS_SHADEMODE, D3DSHADE_FLAT},
                               {D3DRS_ZWRITEENABLE, FALSE},
                               {D3DRS_ALPHATESTENABLE, TRUE},
                               {D3DRS_SRCBLEND, D3DBLEND_INVSRCALPHA},
                               {D3DRS_DESTBLEND, D3DBLEND_DESTCOLOR},
                               {D3DRS_CULLMODE, D3DCULL_CW},
                               {D3DRS_ZFUNC, D3DCMP_GREATEREQUAL},
                               {D3DRS_ALPHAREF, 128},
                               {D3DRS_ALPHAFUNC, D3DCMP_NOTEQUAL},
                               {D3DRS_ALPHABLENDENABLE, TRUE},
                               {D3DRS_FOGENABLE, FALSE},
                               {D3DRS_WRAP0, 1},
                               {D3DRS_CLIPPING, TRUE},
                               {D3DRS_LIGHTING, FALSE},
                               {D3DRS_POINTSIZE, bits(4.0f)},
                               {D3DRS_POINTSIZE_MIN, bits(2.0f)},
                               {D3DRS_POINTSIZE_MAX, bits(40.5f)},
                               {D3DRS_POINTSPRITEENABLE, TRUE},
                               {D3DRS_POINTSCALEENABLE, TRUE},
                               {D3DRS_POINTSCALE_A, bits(0.25f)},
                               {D3DRS_POINTSCALE_B, bits(0.5f)},
                               {D3DRS_POINTSCALE_C, bits(2.0f)},
                               {D3DRS_COLORWRITEENABLE, 7},
                               {D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT},
                               {D3DRS_SEPARATEALPHABLENDENABLE, FALSE}};
    for (const RS& rs : renderStates)
    {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(Device->GetRenderState(rs.State, &value), D3D_OK);
        EXPECT_EQ(value, rs.Value) << "render state " << rs.State;
    }
    struct SS
    {
        DWORD Sampler;
        D3DSAMPLERSTATETYPE State;
        DWORD Value;
    };
    const SS samplerStates[] = {{0, D3DSAMP_MINFILTER, D3DTEXF_POINT},
                                {0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
                                {0, D3DSAMP_MIPFILTER, D3DTEXF_NONE},
                                {0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
                                {0, D3DSAMP_ADDRESSV, D3DTADDRESS_BORDER},
                                {0, D3DSAMP_BORDERCOLOR, 0xFF00FF00},
                                {0, D3DSAMP_MAXANISOTROPY, 4},
                                {0, D3DSAMP_MIPMAPLODBIAS, bits(-0.5f)},
                                {2, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC},
                                {2, D3DSAMP_ADDRESSW, D3DTADDRESS_MIRRORONCE},
                                {2, D3DSAMP_MAXMIPLEVEL, 1},
                                {2, D3DSAMP_SRGBTEXTURE, FALSE}};
    for (const SS& ss : samplerStates)
    {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(Device->GetSamplerState(ss.Sampler, ss.State, &value), D3D_OK);
        EXPECT_EQ(value, ss.Value) << "sampler " << ss.Sampler << " state " << ss.State;
    }
    IDirect3DBaseTexture9* bound = nullptr;
    EXPECT_EQ(Device->GetTexture(0, &bound), D3D_OK);
    EXPECT_EQ(bound, tex2);
    if (bound)
        bound->Release();
    bound = nullptr;
    EXPECT_EQ(Device->GetTexture(1, &bound), D3D_OK);
    EXPECT_EQ(bound, tex);
    if (bound)
        bound->Release();

    float c[24][4];
    ASSERT_EQ(Device->GetVertexShaderConstantF(0, &c[0][0], 24), D3D_OK);
    // g_m without row_major: registers hold the columns; g_mr holds the rows.
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k)
        {
            EXPECT_EQ(c[r][k], m(k, r)) << "c" << r;
            EXPECT_EQ(c[4 + r][k], m(r, k)) << "c" << 4 + r;
        }
    EXPECT_EQ(c[8][0], 0.25f);
    EXPECT_EQ(c[8][3], -1.0f);
    // g_outer: C in c9, D.A in c10.xy, D.B in c11.x, M (3x3, columns) in c12..c14.
    EXPECT_EQ(c[9][0], 100.0f);
    EXPECT_EQ(c[9][3], 103.0f);
    EXPECT_EQ(c[10][0], 104.0f);
    EXPECT_EQ(c[10][1], 105.0f);
    EXPECT_EQ(c[11][0], 106.0f);
    EXPECT_EQ(c[12][0], 107.0f); // M._11
    EXPECT_EQ(c[12][1], 110.0f); // M._21
    EXPECT_EQ(c[14][2], 115.0f); // M._33
    EXPECT_EQ(c[20][0], 1.0f);
    EXPECT_EQ(c[21][3], 8.0f);
    EXPECT_EQ(c[22][0], 1.5f);
    EXPECT_EQ(c[23][1], 2.0f);
    float p[2][4];
    ASSERT_EQ(Device->GetPixelShaderConstantF(0, &p[0][0], 2), D3D_OK);
    EXPECT_EQ(p[0][1], 0.5f);
    EXPECT_EQ(p[1][2], 3.0f);
    EXPECT_EQ(fx->EndPass(), D3D_OK);

    ASSERT_EQ(fx->BeginPass(1), D3D_OK);
    DWORD cull = 0;
    Device->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, DWORD(D3DCULL_NONE));
    DWORD address = 0;
    Device->GetSamplerState(3, D3DSAMP_ADDRESSU, &address);
    EXPECT_EQ(address, DWORD(D3DTADDRESS_MIRROR));
    bound = nullptr;
    EXPECT_EQ(Device->GetTexture(3, &bound), D3D_OK);
    EXPECT_EQ(bound, tex);
    if (bound)
        bound->Release();
    EXPECT_EQ(fx->EndPass(), D3D_OK);
    EXPECT_EQ(fx->End(), D3D_OK);
}
