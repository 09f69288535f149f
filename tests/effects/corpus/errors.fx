float4x4 g_m;
texture g_t;
float4 g_c;
/* a comment */
technique T { pass P {
 VertexShaderConstant4[0] = <g_m>;
 VertexShaderConstant1[3] = <g_c>;
 VertexShader = asm { vs_2_0 mov oPos, c0 }; } }
