struct Light { float3 Position; float4 Color; float3 Attenuation; };
float g_f = -2;
float3 g_v : POSITION = float3(1, 2.5, 3);
float4x4 g_m = {1,0,0,0, 0,1,0,0, 0,0,1,0, 5,6,7,1};
int g_i <int UIMin = 3;> = 7;
bool g_b = true;
float2 g_a[3];
Light g_light <int Bytes = 40;>;
shared float g_s;
texture g_t;
sampler2D g_samp = sampler_state { Texture = <g_t>; MinFilter = Linear; AddressU = Clamp; MipMapLodBias = 0.5; };
technique T { pass { } }
