texture g_t;
sampler2D g_s = sampler_state { Texture = <g_t>; };
float4x4 g_m;
row_major float3x4 g_r;
technique A
{
    pass One
    {
        zenable = true; CullMode = CCW; SrcBlend = SrcAlpha; DestBlend = One; BlendOp = Add;
        PointSize = 16; MinFilter[2] = Linear; Texture[1] = <g_t>; Sampler[0] = <g_s>;
        VertexShaderConstant4[0] = <g_m>;
        VertexShaderConstantF[4] = (g_r);
        VertexShader = asm { vs_2_0
            dcl_position v0
            m4x4 oPos, v0, c0 };
        PixelShader = asm { ps_2_0
            mov oC0, c0 };
    }
    pass Two { ZWriteEnable = FALSE; };
};
technique B { pass { AlphaBlendEnable = TRUE; ColorWriteEnable = 0xF; FillMode = Wireframe; } }
