#include "vRenderer.h"

#include "vStatus.h"
#include "VLib/vLogger.h"

namespace Vexa
{
namespace
{
const wchar_t* const SourceFile = L".\\Vexa2\\Engine\\vRenderer";
} // namespace

Renderer::Renderer() : CurrentScreen(nullptr)
{
}

void Renderer::Render()
{
    Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ClearColor, 1.0f, 0);
    Device->BeginScene();
    if (CurrentScreen != nullptr)
        CurrentScreen->OnRender();
    Device->EndScene();
}

int Renderer::OnLoad()
{
    if (CurrentScreen == nullptr)
        return StatusOk;

    const wchar_t* const function = L"Vexa::Renderer::OnLoad";
    int result = CurrentScreen->OnLoad();
    if (result != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(function), L"IScreen::OnLoad()", result);
        DeviceManager::Release();
        return StatusScreenLoadFailed;
    }
    result = CurrentScreen->OnReset();
    if (result != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(function), L"IScreen::OnReset()", result);
        DeviceManager::Release();
        return StatusScreenResetFailed;
    }
    return StatusOk;
}

int Renderer::OnRelease()
{
    if (CurrentScreen == nullptr)
        return StatusOk;

    const wchar_t* const function = L"Vexa::Renderer::OnRelease";
    int result = CurrentScreen->OnLost();
    if (result != 0)
    {
        // A screen that could not let go of its device resources is not released either.
        VLib::LogFailedCall(VLIB_HERE(function), L"IScreen::OnLost()", result);
        return StatusScreenLostFailed;
    }
    result = CurrentScreen->OnRelease();
    if (result != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(function), L"IScreen::OnRelease()", result);
        return StatusScreenReleaseFailed;
    }
    return StatusOk;
}

int Renderer::ResetDevice()
{
    const wchar_t* const function = L"Vexa::Renderer::ResetDevice";
    if (CurrentScreen != nullptr)
    {
        const int result = CurrentScreen->OnLost();
        if (result != 0)
        {
            // Resetting while the screen still holds default-pool resources would fail anyway.
            VLib::LogFailedCall(VLIB_HERE(function), L"IScreen::OnLost()", result);
            return StatusScreenLostFailed;
        }
    }

    const int status = DeviceManager::ResetDevice();
    if (status != StatusOk)
        return status;

    if (CurrentScreen == nullptr)
        return StatusOk;
    const int result = CurrentScreen->OnReset();
    if (result != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(function), L"IScreen::OnReset()", result);
        return StatusScreenResetFailed;
    }
    return StatusOk;
}
} // namespace Vexa
