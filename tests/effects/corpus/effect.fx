// Lit meshes (vertex layout POSITION, NORMAL, TEXCOORD0), one point light in view space.
// Colour = emissive + light * (ambient + diffuse * N.L * att) + light * specular * (N.H)^power * att,
// att = 1 / (a0 + a1 * d + a2 * d^2), evaluated per vertex.

struct Light
{
    float3 Position;      // view space
    float4 Color;
    float3 Attenuation;   // constant, linear, quadratic factors
};

struct Material           // the layout of a D3DMATERIAL9
{
    float4 Diffuse;
    float4 Ambient;
    float4 Specular;
    float4 Emissive;
    float  Power;
};

float4x4 g_mWorldView;
float4x4 g_mWorldViewProj;
Light    g_light    <int Bytes = 40;>;
Material g_material <int Bytes = 68;>;
texture  g_texture;

sampler2D g_sampler = sampler_state
{
    Texture   = <g_texture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU  = Wrap;
    AddressV  = Wrap;
};

// Registers: c0-c3 world-view-projection, c4-c7 world-view, c8-c10 light, c11-c15 material.
technique WithoutTexture
{
    pass P0
    {
        ZEnable          = TRUE;
        ZWriteEnable     = TRUE;
        CullMode         = CCW;
        AlphaBlendEnable = FALSE;

        VertexShaderConstant4[0] = <g_mWorldViewProj>;
        VertexShaderConstant4[4] = <g_mWorldView>;
        VertexShaderConstantF[8] = <g_light>;
        VertexShaderConstantF[11] = <g_material>;

        VertexShader = asm
        {
            vs_2_0
            def c16, 0.0, 1.0, 0.0001, 0.0
            dcl_position v0
            dcl_normal v1
            dcl_texcoord v2
            m4x4 oPos, v0, c0
            m4x3 r0.xyz, v0, c4             // view-space position
            m3x3 r1.xyz, v1, c4             // view-space normal
            nrm r2.xyz, r1.xyz              // N
            add r3.xyz, c8.xyz, -r0.xyz     // towards the light
            dp3 r4.x, r3.xyz, r3.xyz        // d^2
            rsq r4.y, r4.x                  // 1/d
            mul r3.xyz, r3.xyz, r4.y        // L
            rcp r4.z, r4.y                  // d
            mad r5.x, c10.z, r4.x, c10.x
            mad r5.x, c10.y, r4.z, r5.x
            max r5.x, r5.x, c16.z           // no division by zero next to the light
            rcp r5.x, r5.x                  // attenuation
            nrm r6.xyz, -r0.xyz             // towards the eye at the origin
            add r6.xyz, r6.xyz, r3.xyz
            nrm r7.xyz, r6.xyz              // half vector
            dp3 r8.x, r2.xyz, r3.xyz        // N.L
            dp3 r8.y, r2.xyz, r7.xyz        // N.H
            mov r8.w, c15.x                 // power
            lit r9, r8
            mul r9.yz, r9, r5.x
            mul r10, c9, c11                // light * diffuse
            mul r11, c9, c12                // light * ambient
            mad r10, r10, r9.y, r11
            add r10.xyz, r10.xyz, c14.xyz   // + emissive
            mov r10.w, c11.w                // alpha from the diffuse colour
            mov oD0, r10
            mul r11, c9, c13                // light * specular
            mul oD1, r11, r9.z
            mov oT0.xy, v2
        };

        PixelShader = asm
        {
            ps_2_0
            dcl v0
            dcl v1
            add r0.xyz, v0, v1
            mov r0.w, v0.w
            mov oC0, r0
        };
    }
}

technique WithTexture
{
    pass P0
    {
        ZEnable          = TRUE;
        ZWriteEnable     = TRUE;
        CullMode         = CCW;
        AlphaBlendEnable = FALSE;

        VertexShaderConstant4[0] = <g_mWorldViewProj>;
        VertexShaderConstant4[4] = <g_mWorldView>;
        VertexShaderConstantF[8] = <g_light>;
        VertexShaderConstantF[11] = <g_material>;
        Sampler[0] = <g_sampler>;

        VertexShader = asm
        {
            vs_2_0
            def c16, 0.0, 1.0, 0.0001, 0.0
            dcl_position v0
            dcl_normal v1
            dcl_texcoord v2
            m4x4 oPos, v0, c0
            m4x3 r0.xyz, v0, c4
            m3x3 r1.xyz, v1, c4
            nrm r2.xyz, r1.xyz
            add r3.xyz, c8.xyz, -r0.xyz
            dp3 r4.x, r3.xyz, r3.xyz
            rsq r4.y, r4.x
            mul r3.xyz, r3.xyz, r4.y
            rcp r4.z, r4.y
            mad r5.x, c10.z, r4.x, c10.x
            mad r5.x, c10.y, r4.z, r5.x
            max r5.x, r5.x, c16.z
            rcp r5.x, r5.x
            nrm r6.xyz, -r0.xyz
            add r6.xyz, r6.xyz, r3.xyz
            nrm r7.xyz, r6.xyz
            dp3 r8.x, r2.xyz, r3.xyz
            dp3 r8.y, r2.xyz, r7.xyz
            mov r8.w, c15.x
            lit r9, r8
            mul r9.yz, r9, r5.x
            mul r10, c9, c11
            mul r11, c9, c12
            mad r10, r10, r9.y, r11
            add r10.xyz, r10.xyz, c14.xyz
            mov r10.w, c11.w
            mov oD0, r10
            mul r11, c9, c13
            mul oD1, r11, r9.z
            mov oT0.xy, v2
        };

        // The texture modulates the lit colour; the highlight is added on top.
        PixelShader = asm
        {
            ps_2_0
            dcl v0
            dcl v1
            dcl t0.xy
            dcl_2d s0
            texld r0, t0, s0
            mul r0, r0, v0
            add r0.xyz, r0, v1
            mov oC0, r0
        };
    }
}
