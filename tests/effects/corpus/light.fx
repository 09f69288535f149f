// The light's marker: drawn flat in a bright light colour.

float4x4 g_mWorldViewProj;

technique Marker
{
    pass P0
    {
        ZEnable          = TRUE;
        ZWriteEnable     = TRUE;
        CullMode         = CCW;
        AlphaBlendEnable = FALSE;

        VertexShaderConstant4[0] = <g_mWorldViewProj>;

        VertexShader = asm
        {
            vs_2_0
            dcl_position v0
            m4x4 oPos, v0, c0
        };

        PixelShader = asm
        {
            ps_2_0
            def c0, 1.0, 1.0, 0.85, 1.0
            mov oC0, c0
        };
    }
}
