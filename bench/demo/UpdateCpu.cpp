// Processor time of one DemoScreen::OnUpdate (camera, light keys, particles, title) on a real
// device, with the demo's assets in the working directory. Prints "update_cpu_us: <value>", and
// the same for the camera's and the particles' part of it.
// Usage: bench_update_cpu [updates, default 2000].
#include "Vexa2/Demo/DemoScreen.h"
#include "Vexa2/Engine/vEngine.h"
#include "VLib/vLogger.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace
{
unsigned long long ThreadTime100ns()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto value = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return value(kernel) + value(user);
}
// Resident memory in kB (the working set).
unsigned long long ResidentKb()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.WorkingSetSize / 1024;
}
} // namespace

int main(int argc, char** argv)
{
    const int updates = argc > 1 ? std::atoi(argv[1]) : 2000;
    VLib::Logger::Initialize(L"bench-update.log");
    Vexa::Config config = Vexa::StartupConfig();
    Vexa::Engine& engine = Vexa::TheEngine;
    DemoScreen screen;
    if (engine.Start(config, &screen) != 0)
        return 1;
    screen.EnginePtr = &engine;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    const auto elapsedMs = [&]() {
        QueryPerformanceCounter(&end);
        return (end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    };
    // Where start-up goes: each model on its own, then the screen's whole load.
    const wchar_t* models[] = {L"skullocc.x", L"venus.x", L"ball.x", L"tiny.x"};
    const char* names[] = {"skullocc", "venus", "ball", "tiny"};
    for (int i = 0; i < 4; ++i)
    {
        // D3DX's own part first: parsing the file and its adjacency, as Mesh_X asks for it.
        ID3DXMesh* raw = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD materialCount = 0;
        QueryPerformanceCounter(&start);
        if (D3DXLoadMeshFromXW(models[i], D3DXMESH_MANAGED, engine.Graphics.Device, &adjacency, &materials, nullptr,
                               &materialCount, &raw) == S_OK)
        {
            std::printf("load_%s_parse_ms: %.0f\n", names[i], elapsedMs());
            adjacency->Release();
            materials->Release();
            raw->Release();
        }
        Mesh_X mesh;
        QueryPerformanceCounter(&start);
        mesh.LoadMesh(models[i], engine.Graphics.Device);
        std::printf("load_%s_ms: %.0f\n", names[i], elapsedMs());
        mesh.ReleaseMesh();
    }
    {
        Mesh_SDKMesh lizard;
        QueryPerformanceCounter(&start);
        lizard.LoadMesh(L"lizardSIG.sdkmesh", engine.Graphics.Device);
        std::printf("load_lizard_ms: %.0f\n", elapsedMs());
        lizard.ReleaseMesh();
    }
    QueryPerformanceCounter(&start);
    const int loaded = engine.Graphics.OnLoad();
    std::printf("demo_load_ms: %.0f\n", elapsedMs());
    if (loaded != 0)
    {
        std::fprintf(stderr, "the demo did not load (see bench-update.log)\n");
        return 1;
    }
    ShowWindow(engine.MainWindow, SW_SHOW);

    // A steady 60 frames per second as the timer would report it; W held so the camera moves.
    engine.FrameTimer.ElapsedSeconds = 1.0 / 60.0;
    engine.FrameTimer.FramesPerSecond = 60;
    engine.Input.KeyState[DIK_W] = 0x80;
    for (int i = 0; i < 50; ++i) // warm-up
        screen.OnUpdate();
    const unsigned long long residentBefore = ResidentKb();
    const unsigned long long before = ThreadTime100ns();
    QueryPerformanceCounter(&start);
    for (int i = 0; i < updates; ++i)
        screen.OnUpdate();
    QueryPerformanceCounter(&end);
    const unsigned long long cpu = ThreadTime100ns() - before;
    std::printf("update_cpu_us: %.1f\n", cpu / 10.0 / updates);
    std::printf("update_wall_us: %.1f\n",
                (end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart) / updates);
    std::printf("update_rss_growth_kb: %lld\n",
                static_cast<long long>(ResidentKb()) - static_cast<long long>(residentBefore));

    // Where it goes: the camera and the particles on their own (the rest is keys and title).
    const auto cpuPerCall = [&](auto&& step) {
        const unsigned long long first = ThreadTime100ns();
        for (int i = 0; i < updates; ++i)
            step();
        return (ThreadTime100ns() - first) / 10.0 / updates;
    };
    std::printf("update_camera_cpu_us: %.1f\n", cpuPerCall([&]() { screen.MainCamera.Update(); }));
    const float dt = static_cast<float>(engine.FrameTimer.ElapsedSeconds);
    std::printf("update_particles_cpu_us: %.1f\n", cpuPerCall([&]() { screen.Particles.Update(dt); }));
    std::fflush(stdout);

    engine.Graphics.OnRelease();
    engine.Shutdown();
    return 0;
}
