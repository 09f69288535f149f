#include "FakeDInput.h"

#include <algorithm>
#include <cstring>

namespace Fake
{
DirectInput8CreateScript DirectInput8CreateControl;

FakeDirectInputDevice8W::FakeDirectInputDevice8W(const char* objectName)
    : ComObject<IDirectInputDevice8W>(objectName), DataFormat(nullptr), CooperativeWindow(nullptr), CooperativeFlags(0)
{
}

HRESULT STDMETHODCALLTYPE FakeDirectInputDevice8W::GetDeviceState(DWORD size, LPVOID data)
{
    StateSizes.push_back(size);
    const HRESULT result = Record("GetDeviceState");
    if (SUCCEEDED(result) && data != nullptr)
    {
        BYTE* const bytes = static_cast<BYTE*>(data);
        std::memset(bytes, 0, size);
        std::memcpy(bytes, State.data(), std::min<size_t>(size, State.size()));
    }
    return result;
}

HRESULT STDMETHODCALLTYPE FakeDirectInputDevice8W::SetDataFormat(LPCDIDATAFORMAT format)
{
    DataFormat = format;
    return Record("SetDataFormat");
}

HRESULT STDMETHODCALLTYPE FakeDirectInputDevice8W::SetCooperativeLevel(HWND window, DWORD flags)
{
    CooperativeWindow = window;
    CooperativeFlags = flags;
    return Record("SetCooperativeLevel");
}

HRESULT STDMETHODCALLTYPE FakeDirectInputDevice8W::Acquire()
{
    return Record("Acquire");
}

FakeDirectInput8W::FakeDirectInput8W() : ComObject<IDirectInput8W>("DirectInput"), Keyboard("Keyboard"), Mouse("Mouse")
{
    Keyboard.Parent = this;
    Mouse.Parent = this;
}

HRESULT STDMETHODCALLTYPE FakeDirectInput8W::CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8W* device, LPUNKNOWN)
{
    CreatedGuids.push_back(guid);
    const HRESULT result = Record("CreateDevice");
    if (device == nullptr)
        return E_POINTER;
    *device = nullptr;
    if (FAILED(result))
        return result;
    FakeDirectInputDevice8W* created = nullptr;
    if (IsEqualGUID(guid, GUID_SysKeyboard))
        created = &Keyboard;
    else if (IsEqualGUID(guid, GUID_SysMouse))
        created = &Mouse;
    else
        return DIERR_DEVICENOTREG;
    created->AddRef();
    *device = created;
    return result;
}
} // namespace Fake

// The seam: the linker takes this definition before the import library's.
HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* object, LPUNKNOWN outer)
{
    Fake::DirectInput8CreateScript& control = Fake::DirectInput8CreateControl;
    ++control.Calls;
    control.LastInstance = instance;
    control.LastVersion = version;
    control.LastInterface = iid;
    if (control.Forward)
    {
        typedef HRESULT(WINAPI * CreateFunction)(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);
        const HMODULE library = LoadLibraryW(L"dinput8.dll");
        const CreateFunction create =
            library != nullptr ? reinterpret_cast<CreateFunction>(
                                     reinterpret_cast<void (*)()>(GetProcAddress(library, "DirectInput8Create")))
                               : nullptr;
        return create != nullptr ? create(instance, version, iid, object, outer) : E_FAIL;
    }
    if (object == nullptr)
        return E_POINTER;
    if (FAILED(control.Result) || control.Object == nullptr)
    {
        *object = nullptr;
        return FAILED(control.Result) ? control.Result : E_FAIL;
    }
    control.Object->AddRef();
    *object = control.Object;
    return control.Result;
}
