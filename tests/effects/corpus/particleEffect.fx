// Particle fountain animated on the GPU. Vertex: POSITION start (relative to the emitter),
// TEXCOORD0 birth time, TEXCOORD1 initial velocity. Position = start + v*t + g*t^2/2, t = g_time - birth.
// Point sprites, additive blending, no depth writes; the nearer the camera, the bigger the points.

float4x4 g_mWorldView;
float4x4 g_mWorldViewProj;
float    g_time;
float3   g_gravity <int Bytes = 12;>;
float    g_camDistance;
texture  g_texture;

sampler2D g_sampler = sampler_state
{
    Texture   = <g_texture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU  = Clamp;
    AddressV  = Clamp;
};

technique Fountain
{
    pass P0
    {
        ZEnable           = TRUE;
        ZWriteEnable      = FALSE;
        CullMode          = None;
        Lighting          = FALSE;
        AlphaBlendEnable  = TRUE;
        SrcBlend          = SrcAlpha;
        DestBlend         = One;
        BlendOp           = Add;
        PointSpriteEnable = TRUE;
        PointScaleEnable  = FALSE;
        PointSize         = 8.0;
        PointSize_Min     = 1.0;
        PointSize_Max     = 64.0;

        VertexShaderConstant4[0]  = <g_mWorldViewProj>;
        VertexShaderConstant4[4]  = <g_mWorldView>;
        VertexShaderConstant1[8]  = <g_time>;
        VertexShaderConstant1[9]  = <g_gravity>;
        VertexShaderConstant1[10] = <g_camDistance>;
        Sampler[0] = <g_sampler>;

        // Point size = 300 / distance, kept within 2..64 pixels.
        VertexShader = asm
        {
            vs_2_0
            def c11, 0.5, 1.0, 0.0, 300.0
            def c12, 1.0, 2.0, 64.0, 0.0
            dcl_position v0
            dcl_texcoord0 v1
            dcl_texcoord1 v2
            add r0.x, c8.x, -v1.x           // age t
            mul r1.xyz, v2.xyz, r0.x        // v * t
            mul r2.x, r0.x, r0.x
            mul r2.x, r2.x, c11.x           // t^2 / 2
            mad r1.xyz, c9.xyz, r2.x, r1.xyz
            add r1.xyz, r1.xyz, v0.xyz
            mov r1.w, c11.y
            m4x4 oPos, r1, c0
            max r3.x, c10.x, c12.x
            rcp r3.x, r3.x
            mul r3.x, r3.x, c11.w
            max r3.x, r3.x, c12.y
            min r3.x, r3.x, c12.z
            mov oPts.x, r3.x
            mov oD0, c11.y
            mov oT0, c11.z                  // the rasteriser supplies sprite coordinates
        };

        PixelShader = asm
        {
            ps_2_0
            dcl v0
            dcl t0.xy
            dcl_2d s0
            texld r0, t0, s0
            mul r0, r0, v0
            mov oC0, r0
        };
    }
}
