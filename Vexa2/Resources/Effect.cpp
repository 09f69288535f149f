#include "Effect.h"

#include "Mesh.h"
#include "VLib/vLogger.h"

#include <string>

namespace
{
const wchar_t* const SourceFile = L".\\Effect";
} // namespace

Effect::Effect() : Fx(nullptr)
{
}

int Effect::LoadEffect(const std::wstring& fileName, IDirect3DDevice9* device)
{
    // An effect loaded before is let go, not overwritten.
    if (Fx)
    {
        Fx->Release();
        Fx = nullptr;
    }
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffectFromFileW(device, fileName.c_str(), nullptr, nullptr,
                                                 D3DXSHADER_OPTIMIZATION_LEVEL3, nullptr, &effect, &errors);
    Fx = effect;
    if (SUCCEEDED(hr))
    {
        if (errors) // warnings; not looked at
            errors->Release();
        return EffectOk;
    }

    VLib::LogFailedCall(VLIB_HERE(L"Effect::LoadEffect"), L"D3DXCreateEffectFromFile()", hr);
    if (errors)
    {
        // The text should end in a zero byte; never read past the buffer if it does not.
        const char* text = static_cast<const char*>(errors->GetBufferPointer());
        const DWORD size = text ? errors->GetBufferSize() : 0;
        DWORD length = 0;
        while (length < size && text[length] != '\0')
            ++length;
        const std::string output(text ? text : "", length);
        VLib::LogError(VLIB_HERE(L"Effect::LoadEffect"),
                       L"Effect compilation errors: \n\n" + VLib::AnsiToWString(output.c_str()));
        errors->Release();
        return EffectCompileErrors;
    }
    if (hr == D3DXERR_INVALIDDATA)
    {
        VLib::LogError(VLIB_HERE(L"Effect::LoadEffect"), L"File not found: " + fileName);
        return EffectFileNotFound;
    }
    return EffectLoadFailed;
}

void Effect::DrawMeshSubset(const Mesh& mesh, DWORD subset)
{
    UINT passCount = 0;
    Fx->Begin(&passCount, 0);
    for (UINT pass = 0; pass < passCount; ++pass)
    {
        Fx->BeginPass(pass);
        mesh.D3DXMesh->DrawSubset(subset);
        Fx->EndPass();
    }
    Fx->End();
}
