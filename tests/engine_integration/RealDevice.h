#pragma once
// Helpers for tests that run the engine against Wine's real Direct3D 9.
#include "Vexa2/Engine/vConfig.h"
#include "Vexa2/Engine/vIScreen.h"
#include "tests/support/FreshEngine.h"
#include "tests/support/TestDevice.h" // RefCount

#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace RealDevice
{
// A plain hidden top-level window of the test's own class (not the engine's).
class HiddenWindow
{
public:
    HiddenWindow(int width, int height);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND Handle;
};

// The adapter's modes as an independent walk over Direct3D sees them: per format 21, 22, 23,
// indices downwards, one entry per (width, height, format) with its highest rate.
struct Mode
{
    std::uint32_t Width, Height;
    D3DFORMAT Format;
    std::uint32_t RefreshRate;
};
std::vector<Mode> AdapterModes();

// Pixels of the device's back buffer, read through a system-memory copy of the same format.
// Empty on failure. Colours are returned as 0x00RRGGBB (the X channel masked off).
struct Image
{
    UINT Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::uint32_t At(UINT x, UINT y) const { return Pixels[y * Width + x]; }
};
Image ReadBackBuffer(IDirect3DDevice9* device);

// Dispatches every queued message (the test's stand-in for a responsive program).
void PumpPending();

// A screen that records the renderer's calls in order and can be given per-call behaviour.
class RecordingScreen : public Vexa::IScreen
{
public:
    int OnRender() override;
    int OnUpdate() override;
    int OnLost() override;
    int OnReset() override;
    int OnLoad() override;
    int OnRelease() override;

    // The life-cycle calls ("Load", "Reset", "Lost", "Release") in order; frames are counted.
    std::vector<std::string> LifeCycle;
    int Renders = 0;
    int Updates = 0;
    // Statuses returned by the life-cycle calls.
    int LoadStatus = 0, ResetStatus = 0, LostStatus = 0, ReleaseStatus = 0;
    std::function<void(RecordingScreen&)> UpdateHook;
    std::function<void(RecordingScreen&)> LostHook;
    std::function<void(RecordingScreen&)> ResetHook;
    std::function<void(RecordingScreen&)> ReleaseHook;
};

// Windows path of the focus-thief helper (tests/e2e/tools): $VEXA_FOCUS_THIEF when set, else its
// place in the build tree next to this test's folder.
std::wstring FocusThiefPath();
// Starts the helper showing its window for `showMilliseconds`; false when it cannot start.
bool StartFocusThief(DWORD showMilliseconds, PROCESS_INFORMATION& process);

// Counts the entries of `events` equal to `name`.
int Count(const std::vector<std::string>& events, const std::string& name);

// Cases on the global engine share its process: each starts from a fresh process's state, and
// leaves neither its screen nor, when it stopped half-way, a window or device behind.
class EngineCase : public ::testing::Test
{
protected:
    void SetUp() override { StartFromAFreshProcessState(Vexa::TheEngine); }
    void TearDown() override
    {
        Vexa::TheEngine.Graphics.CurrentScreen = nullptr;
        if (IsWindow(Vexa::TheEngine.MainWindow))
            Vexa::TheEngine.Shutdown();
    }
};
} // namespace RealDevice
