float4 g[2147483647];
technique T { pass { } }
