technique T { pass { ZEnable = 99999999999999999999; } }
