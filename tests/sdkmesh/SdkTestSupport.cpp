#include "SdkTestSupport.h"

namespace
{
const wchar_t* const WindowClass = L"SdkMeshTestWindow";
}

TempFolder::TempFolder()
{
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    Path = std::wstring(temp) + L"vexa-sdkmesh-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
    CreateDirectoryW(Path.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    for (const std::wstring& file : m_files)
        DeleteFileW(file.c_str());
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it)
        RemoveDirectoryW(it->c_str());
    RemoveDirectoryW(Path.c_str());
}

void TempFolder::MakeFolder(const std::wstring& name)
{
    CreateDirectoryW(PathOf(name).c_str(), nullptr);
    m_folders.push_back(PathOf(name));
}

std::wstring TempFolder::Write(const std::wstring& name, const std::vector<std::uint8_t>& bytes)
{
    const std::wstring path = PathOf(name);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE)
    {
        DWORD done = 0;
        if (!bytes.empty())
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(file);
        m_files.push_back(path);
    }
    return path;
}

bool TempFolder::WriteSparse(const std::wstring& name, std::uint64_t size)
{
    const std::wstring path = PathOf(name);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    m_files.push_back(path);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    const bool done = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return done;
}

std::wstring TempFolder::WriteBmp(const std::wstring& name)
{
    const std::uint32_t width = 4, height = 4, rowBytes = 12, pixels = rowBytes * height;
    std::vector<std::uint8_t> bmp(54 + pixels, 0);
    auto put32 = [&bmp](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    bmp[26] = 1;
    bmp[28] = 24;
    put32(34, pixels);
    for (std::uint32_t i = 0; i < pixels; ++i)
        bmp[54 + i] = static_cast<std::uint8_t>(i * 17);
    return Write(name, bmp);
}

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow.push_back(static_cast<char>(c & 0xFF));
    return narrow;
}

HiddenDevice::HiddenDevice() : Window(nullptr), D3D(nullptr), Device(nullptr)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = WindowClass;
    RegisterClassExW(&wc); // a second registration fails harmlessly
    Window = CreateWindowExW(0, WindowClass, L"sdkmesh test", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr,
                             nullptr, wc.hInstance, nullptr);
    D3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!Window || !D3D)
        return;
    D3DPRESENT_PARAMETERS pp = {};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    pp.hDeviceWindow = Window;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    if (FAILED(D3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &Device)))
        Device = nullptr;
}

HiddenDevice::~HiddenDevice()
{
    if (Device)
        Device->Release();
    if (D3D)
        D3D->Release();
    if (Window)
        DestroyWindow(Window);
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

bool EntryMatches(const std::wstring& entry, const std::wstring& function, const std::wstring& text)
{
    const std::wstring head = L"[.\\Mesh_SDKMesh | " + function + L" | LINE: ";
    const std::wstring tail = L"] >> " + text;
    if (entry.size() < head.size() + tail.size() + 1)
        return false;
    if (entry.compare(0, head.size(), head) != 0)
        return false;
    if (entry.compare(entry.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    for (std::size_t i = head.size(); i < entry.size() - tail.size(); ++i)
        if (entry[i] < L'0' || entry[i] > L'9')
            return false;
    return true;
}
