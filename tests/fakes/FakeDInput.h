#pragma once
// Fakes of DirectInput 8 for unit tests (link-time seam: this library defines DirectInput8Create).
//
// DirectInput8Create: by default forwards to the real dinput8.dll. With
// DirectInput8CreateControl.Forward = false it returns Result; on success it hands out
// Object (one reference added), on failure it writes null.
//
// FakeDirectInput8W::CreateDevice hands out its member Keyboard for GUID_SysKeyboard and Mouse
// for GUID_SysMouse (script "CreateDevice", e.g. QueueResults("CreateDevice", {DI_OK, E_FAIL}) to
// fail the second call). Each handed-out device holds a reference on the DirectInput object.
// FakeDirectInputDevice8W: scripted SetDataFormat / SetCooperativeLevel / Acquire /
// GetDeviceState results; a successful GetDeviceState copies State (zero-padded) to the caller.
#include "FakeCom.h"

#include <dinput.h>

#include <vector>

namespace Fake
{
struct DirectInput8CreateScript
{
    DirectInput8CreateScript()
        : Forward(true), Result(DI_OK), Object(nullptr), Calls(0), LastInstance(nullptr), LastVersion(0),
          LastInterface(GUID_NULL)
    {
    }

    bool Forward;
    HRESULT Result;
    IDirectInput8W* Object;
    int Calls;
    HINSTANCE LastInstance;
    DWORD LastVersion;
    IID LastInterface;
};
extern DirectInput8CreateScript DirectInput8CreateControl;

class FakeDirectInputDevice8W : public ComObject<IDirectInputDevice8W>
{
public:
    explicit FakeDirectInputDevice8W(const char* objectName);

    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Acquire() override;
    FAKE_OUT_METHOD(GetCapabilities, (LPDIDEVCAPS))
    FAKE_METHOD(EnumObjects, (LPDIENUMDEVICEOBJECTSCALLBACKW, LPVOID, DWORD))
    FAKE_OUT_METHOD(GetProperty, (REFGUID, LPDIPROPHEADER))
    FAKE_METHOD(SetProperty, (REFGUID, LPCDIPROPHEADER))
    FAKE_METHOD(Unacquire, ())
    FAKE_OUT_METHOD(GetDeviceData, (DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD))
    FAKE_METHOD(SetEventNotification, (HANDLE))
    FAKE_OUT_METHOD(GetObjectInfo, (LPDIDEVICEOBJECTINSTANCEW, DWORD, DWORD))
    FAKE_OUT_METHOD(GetDeviceInfo, (LPDIDEVICEINSTANCEW))
    FAKE_METHOD(RunControlPanel, (HWND, DWORD))
    FAKE_METHOD(Initialize, (HINSTANCE, DWORD, REFGUID))
    FAKE_OUT_METHOD(CreateEffect, (REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*, LPUNKNOWN))
    FAKE_METHOD(EnumEffects, (LPDIENUMEFFECTSCALLBACKW, LPVOID, DWORD))
    FAKE_OUT_METHOD(GetEffectInfo, (LPDIEFFECTINFOW, REFGUID))
    FAKE_OUT_METHOD(GetForceFeedbackState, (LPDWORD))
    FAKE_METHOD(SendForceFeedbackCommand, (DWORD))
    FAKE_METHOD(EnumCreatedEffectObjects, (LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD))
    FAKE_METHOD(Escape, (LPDIEFFESCAPE))
    FAKE_METHOD(Poll, ())
    FAKE_METHOD(SendDeviceData, (DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD))
    FAKE_METHOD(EnumEffectsInFile, (LPCWSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD))
    FAKE_METHOD(WriteEffectToFile, (LPCWSTR, DWORD, LPDIFILEEFFECT, DWORD))
    FAKE_METHOD(BuildActionMap, (LPDIACTIONFORMATW, LPCWSTR, DWORD))
    FAKE_METHOD(SetActionMap, (LPDIACTIONFORMATW, LPCWSTR, DWORD))
    FAKE_OUT_METHOD(GetImageInfo, (LPDIDEVICEIMAGEINFOHEADERW))

    std::vector<BYTE> State;       // what a successful GetDeviceState returns
    std::vector<DWORD> StateSizes; // size argument of every GetDeviceState
    LPCDIDATAFORMAT DataFormat;    // last SetDataFormat argument
    HWND CooperativeWindow;        // last SetCooperativeLevel arguments
    DWORD CooperativeFlags;
};

class FakeDirectInput8W : public ComObject<IDirectInput8W>
{
public:
    FakeDirectInput8W();

    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8W* device, LPUNKNOWN outer) override;
    FAKE_METHOD(EnumDevices, (DWORD, LPDIENUMDEVICESCALLBACKW, LPVOID, DWORD))
    FAKE_OUT_METHOD(GetDeviceStatus, (REFGUID))
    FAKE_METHOD(RunControlPanel, (HWND, DWORD))
    FAKE_METHOD(Initialize, (HINSTANCE, DWORD))
    FAKE_METHOD(FindDevice, (REFGUID, LPCWSTR, LPGUID))
    FAKE_METHOD(EnumDevicesBySemantics, (LPCWSTR, LPDIACTIONFORMATW, LPDIENUMDEVICESBYSEMANTICSCBW, LPVOID, DWORD))
    FAKE_METHOD(ConfigureDevices, (LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSW, DWORD, LPVOID))

    std::vector<GUID> CreatedGuids; // GUID of every CreateDevice call
    FakeDirectInputDevice8W Keyboard;
    FakeDirectInputDevice8W Mouse;
};
} // namespace Fake
