int g = 99999999999;
technique T { pass { } }
