#pragma once
// Engine status codes. 0 is success; a screen's own failures are mapped to 0x8001-0x8004.

namespace Vexa
{
enum Status : int
{
    StatusOk = 0,
    StatusScreenLostFailed = 0x8001,
    StatusScreenResetFailed = 0x8002,
    StatusScreenLoadFailed = 0x8003,
    StatusScreenReleaseFailed = 0x8004,
    StatusCreateWindowFailed = 0x8005,
    StatusCreateD3DFailed = 0x8006,
    StatusNoDisplayMode = 0x8007,
    StatusBadDeviceType = 0x8008,
    StatusCreateDeviceFailed = 0x8009,
    StatusResetFailed = 0x800A,
    StatusDirectInputFailed = 0x800B,
    StatusKeyboardFailed = 0x800C,
    StatusMouseFailed = 0x800D,
    StatusInputSetupFailed = 0x800E,
};
} // namespace Vexa
