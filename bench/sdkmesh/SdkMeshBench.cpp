// sdkmesh_parse_ratio: reading a ~20 MB .sdkmesh file and copying out every table, list and
// block (LoadData, the header and the ten section steps, no D3DX), divided by a plain read of
// the same file plus one memcpy of its bytes. Both sides allocate fresh buffers every round, as
// the loader does; rounds take turns (Bench::BestOfBlocks), each of five blocks compares the fastest round of each side,
// and the ratio is the median of the blocks (sdkmesh_parse_ratio_spread: largest over smallest).
// sdkmesh_load_ms: one whole LoadMesh of the same file on a real device, D3DX build included.
#include "Vexa2/Resources/Mesh_SDKMesh.h"
#include "bench/support/BenchStats.h"
#include "testkit/SdkMeshWriter.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace
{
double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

bool WriteAll(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    return ok && done == bytes.size();
}

// The baseline: open, one ReadFile of the whole file into a fresh block, one memcpy into another.
bool RawReadAndCopy(const std::wstring& path, std::uint32_t& checksum)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    const std::size_t bytes = static_cast<std::size_t>(size.QuadPart);
    std::uint8_t* image = static_cast<std::uint8_t*>(::operator new[](bytes, std::nothrow));
    std::uint8_t* copy = static_cast<std::uint8_t*>(::operator new[](bytes, std::nothrow));
    DWORD done = 0;
    const bool ok = image && copy && ReadFile(file, image, static_cast<DWORD>(bytes), &done, nullptr) && done == bytes;
    CloseHandle(file);
    if (ok)
    {
        std::memcpy(copy, image, bytes);
        checksum += copy[bytes / 2];
    }
    ::operator delete[](image);
    ::operator delete[](copy);
    return ok;
}

bool Parse(const std::wstring& path, std::uint32_t& checksum)
{
    Mesh_SDKMesh mesh;
    std::uint8_t* image = nullptr;
    std::uint32_t size = 0;
    if (mesh.LoadData(path, image, size) != 0)
        return false;
    const bool ok = mesh.LoadSections(image, size) == 0;
    ::operator delete[](image);
    if (ok)
        checksum += mesh.VertexData[0][1000] + mesh.IndexData[0][1000];
    mesh.ReleaseMesh(); // no D3DX object was made
    return ok;
}

IDirect3DDevice9* CreateDevice(HWND& window, IDirect3D9*& d3d)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SdkMeshBench";
    RegisterClassExW(&wc);
    window = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                             wc.hInstance, nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window || !d3d)
        return nullptr;
    D3DPRESENT_PARAMETERS pp = {};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    IDirect3DDevice9* device = nullptr;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                 &device)))
        return nullptr;
    return device;
}
} // namespace

int main()
{
    // A 600 x 600 quad grid with 32-bit indices: 11.6 MB of vertices, 8.6 MB of indices.
    const std::uint32_t side = 600;
    SdkWriter::File file = SdkWriter::GridFile(side, side, true);
    file.FrameCount = 4;
    for (int m = 0; m < 4; ++m)
        file.Materials.push_back(SdkWriter::Material());
    const std::uint64_t rowIndices = std::uint64_t(side) * 6 * (side / 4);
    file.Subsets = {{0, rowIndices}, {1, rowIndices}, {2, rowIndices}, {3, rowIndices}};
    file.Meshes[0].Subsets = {0, 1, 2, 3};
    file.Meshes[0].FrameInfluences = {0, 1, 2, 3};
    const std::vector<std::uint8_t> bytes = SdkWriter::Build(file);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path =
        std::wstring(temp) + L"vexa-sdkmesh-bench-" + std::to_wstring(GetCurrentProcessId()) + L".sdkmesh";
    if (!WriteAll(path, bytes))
    {
        std::fprintf(stderr, "cannot write the bench file\n");
        return 1;
    }

    std::uint32_t checksum = 0;
    RawReadAndCopy(path, checksum); // warm the file cache for both sides
    Parse(path, checksum);
    bool ok = true;
    const auto timed = [&](bool (*side)(const std::wstring&, std::uint32_t&)) {
        return [&, side] {
            const double t = Now();
            ok = side(path, checksum) && ok;
            return Now() - t;
        };
    };
    const auto best = Bench::BestOfBlocks(5, 12, {timed(RawReadAndCopy), timed(Parse)}, [&] { return ok; });
    if (best.empty())
    {
        std::fprintf(stderr, "read or parse failed\n");
        DeleteFileW(path.c_str());
        return 1;
    }
    const std::vector<double>& rawBest = best[0];
    const std::vector<double>& parseBest = best[1];
    const std::vector<double> ratios = Bench::BlockRatios(parseBest, rawBest);
    Bench::PrintRatio("sdkmesh_parse_ratio", ratios);
    std::fprintf(stderr, "file %u bytes, raw %.2f ms, parse %.2f ms, checksum %u\n",
                 static_cast<unsigned>(bytes.size()), Bench::Median(rawBest) * 1000, Bench::Median(parseBest) * 1000,
                 checksum);

    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = CreateDevice(window, d3d);
    int status = -1;
    double loadMs = 0;
    if (device)
    {
        Mesh_SDKMesh mesh;
        const double t = Now();
        status = mesh.LoadMesh(path, device);
        loadMs = (Now() - t) * 1000;
        mesh.ReleaseMesh();
        device->Release();
    }
    if (d3d)
        d3d->Release();
    if (window)
        DestroyWindow(window);
    DeleteFileW(path.c_str());
    if (status != 0)
    {
        std::fprintf(stderr, "LoadMesh returned %d\n", status);
        return 1;
    }
    std::printf("sdkmesh_load_ms: %.0f\n", loadMs);
    return 0;
}
