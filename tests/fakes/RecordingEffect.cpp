#include "RecordingEffect.h"

#include <cstring>

RecordingEffect::RecordingEffect(UINT passes, std::vector<std::string>* sharedLog, const std::string& tag)
    : Passes(passes), References(1), SharedLog(sharedLog), Tag(tag), Technique(nullptr)
{
}

void RecordingEffect::Record(const char* method, D3DXHANDLE name, const void* data, size_t bytes)
{
    EffectCall call;
    call.Method = method;
    if (name != nullptr)
        call.Name = name;
    if (data != nullptr)
    {
        const unsigned char* first = static_cast<const unsigned char*>(data);
        call.Bytes.assign(first, first + bytes);
    }
    if (SharedLog != nullptr)
        SharedLog->push_back(Tag + "." + call.Method + (call.Name.empty() ? "" : " " + call.Name));
    Calls.push_back(call);
}

std::vector<EffectCall> RecordingEffect::Find(const std::string& method, const std::string& name) const
{
    std::vector<EffectCall> found;
    for (const EffectCall& call : Calls)
        if (call.Method == method && (name.empty() || call.Name == name))
            found.push_back(call);
    return found;
}

HRESULT RecordingEffect::QueryInterface(REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ID3DXEffect))
    {
        *out = this;
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}
ULONG RecordingEffect::AddRef()
{
    return ++References;
}
ULONG RecordingEffect::Release()
{
    Record("Release", nullptr);
    const ULONG count = --References;
    if (count == 0 && DeleteAtZero)
        delete this;
    return count; // an effect a test owns is never deleted here
}

HRESULT RecordingEffect::SetValue(D3DXHANDLE p, const void* data, UINT bytes)
{
    Record("SetValue", p, data, bytes);
    return D3D_OK;
}
HRESULT RecordingEffect::SetFloat(D3DXHANDLE p, FLOAT f)
{
    Record("SetFloat", p, &f, sizeof(f));
    return D3D_OK;
}
HRESULT RecordingEffect::SetMatrix(D3DXHANDLE p, const D3DXMATRIX* m)
{
    Record("SetMatrix", p, m, sizeof(D3DXMATRIX));
    return D3D_OK;
}
HRESULT RecordingEffect::SetTexture(D3DXHANDLE p, IDirect3DBaseTexture9* texture)
{
    Record("SetTexture", p);
    Calls.back().Pointer = texture;
    return D3D_OK;
}
HRESULT RecordingEffect::SetTechnique(D3DXHANDLE technique)
{
    Record("SetTechnique", technique);
    Technique = technique;
    return D3D_OK;
}
HRESULT RecordingEffect::Begin(UINT* passes, DWORD flags)
{
    Record("Begin", nullptr, &flags, sizeof(flags));
    *passes = Passes;
    return D3D_OK;
}
HRESULT RecordingEffect::BeginPass(UINT pass)
{
    Record("BeginPass", nullptr);
    Calls.back().Index = pass;
    return D3D_OK;
}
HRESULT RecordingEffect::CommitChanges()
{
    Record("CommitChanges", nullptr);
    return D3D_OK;
}
HRESULT RecordingEffect::EndPass()
{
    Record("EndPass", nullptr);
    return D3D_OK;
}
HRESULT RecordingEffect::End()
{
    Record("End", nullptr);
    return D3D_OK;
}
HRESULT RecordingEffect::OnLostDevice()
{
    Record("OnLostDevice", nullptr);
    return D3D_OK;
}
HRESULT RecordingEffect::OnResetDevice()
{
    Record("OnResetDevice", nullptr);
    return D3D_OK;
}
D3DXHANDLE RecordingEffect::GetCurrentTechnique()
{
    Record("GetCurrentTechnique", nullptr);
    return Technique;
}

#define UNUSED_METHOD(name, ...)                                                                                       \
    HRESULT RecordingEffect::name(__VA_ARGS__)                                                                         \
    {                                                                                                                  \
        Record(#name, nullptr);                                                                                        \
        return E_NOTIMPL;                                                                                              \
    }
#define UNUSED_HANDLE(name, ...)                                                                                       \
    D3DXHANDLE RecordingEffect::name(__VA_ARGS__)                                                                      \
    {                                                                                                                  \
        Record(#name, nullptr);                                                                                        \
        return nullptr;                                                                                                \
    }

UNUSED_METHOD(GetDesc, D3DXEFFECT_DESC*)
UNUSED_METHOD(GetParameterDesc, D3DXHANDLE, D3DXPARAMETER_DESC*)
UNUSED_METHOD(GetTechniqueDesc, D3DXHANDLE, D3DXTECHNIQUE_DESC*)
UNUSED_METHOD(GetPassDesc, D3DXHANDLE, D3DXPASS_DESC*)
UNUSED_METHOD(GetFunctionDesc, D3DXHANDLE, D3DXFUNCTION_DESC*)
UNUSED_HANDLE(GetParameter, D3DXHANDLE, UINT)
UNUSED_HANDLE(GetParameterByName, D3DXHANDLE, const char*)
UNUSED_HANDLE(GetParameterBySemantic, D3DXHANDLE, const char*)
UNUSED_HANDLE(GetParameterElement, D3DXHANDLE, UINT)
UNUSED_HANDLE(GetTechnique, UINT)
UNUSED_HANDLE(GetTechniqueByName, const char*)
UNUSED_HANDLE(GetPass, D3DXHANDLE, UINT)
UNUSED_HANDLE(GetPassByName, D3DXHANDLE, const char*)
UNUSED_HANDLE(GetFunction, UINT)
UNUSED_HANDLE(GetFunctionByName, const char*)
UNUSED_HANDLE(GetAnnotation, D3DXHANDLE, UINT)
UNUSED_HANDLE(GetAnnotationByName, D3DXHANDLE, const char*)
UNUSED_METHOD(GetValue, D3DXHANDLE, void*, UINT)
UNUSED_METHOD(SetBool, D3DXHANDLE, WINBOOL)
UNUSED_METHOD(GetBool, D3DXHANDLE, WINBOOL*)
UNUSED_METHOD(SetBoolArray, D3DXHANDLE, const WINBOOL*, UINT)
UNUSED_METHOD(GetBoolArray, D3DXHANDLE, WINBOOL*, UINT)
UNUSED_METHOD(SetInt, D3DXHANDLE, INT)
UNUSED_METHOD(GetInt, D3DXHANDLE, INT*)
UNUSED_METHOD(SetIntArray, D3DXHANDLE, const INT*, UINT)
UNUSED_METHOD(GetIntArray, D3DXHANDLE, INT*, UINT)
UNUSED_METHOD(GetFloat, D3DXHANDLE, FLOAT*)
UNUSED_METHOD(SetFloatArray, D3DXHANDLE, const FLOAT*, UINT)
UNUSED_METHOD(GetFloatArray, D3DXHANDLE, FLOAT*, UINT)
UNUSED_METHOD(SetVector, D3DXHANDLE, const D3DXVECTOR4*)
UNUSED_METHOD(GetVector, D3DXHANDLE, D3DXVECTOR4*)
UNUSED_METHOD(SetVectorArray, D3DXHANDLE, const D3DXVECTOR4*, UINT)
UNUSED_METHOD(GetVectorArray, D3DXHANDLE, D3DXVECTOR4*, UINT)
UNUSED_METHOD(GetMatrix, D3DXHANDLE, D3DXMATRIX*)
UNUSED_METHOD(SetMatrixArray, D3DXHANDLE, const D3DXMATRIX*, UINT)
UNUSED_METHOD(GetMatrixArray, D3DXHANDLE, D3DXMATRIX*, UINT)
UNUSED_METHOD(SetMatrixPointerArray, D3DXHANDLE, const D3DXMATRIX**, UINT)
UNUSED_METHOD(GetMatrixPointerArray, D3DXHANDLE, D3DXMATRIX**, UINT)
UNUSED_METHOD(SetMatrixTranspose, D3DXHANDLE, const D3DXMATRIX*)
UNUSED_METHOD(GetMatrixTranspose, D3DXHANDLE, D3DXMATRIX*)
UNUSED_METHOD(SetMatrixTransposeArray, D3DXHANDLE, const D3DXMATRIX*, UINT)
UNUSED_METHOD(GetMatrixTransposeArray, D3DXHANDLE, D3DXMATRIX*, UINT)
UNUSED_METHOD(SetMatrixTransposePointerArray, D3DXHANDLE, const D3DXMATRIX**, UINT)
UNUSED_METHOD(GetMatrixTransposePointerArray, D3DXHANDLE, D3DXMATRIX**, UINT)
UNUSED_METHOD(SetString, D3DXHANDLE, const char*)
UNUSED_METHOD(GetString, D3DXHANDLE, const char**)
UNUSED_METHOD(GetTexture, D3DXHANDLE, IDirect3DBaseTexture9**)
UNUSED_METHOD(GetPixelShader, D3DXHANDLE, IDirect3DPixelShader9**)
UNUSED_METHOD(GetVertexShader, D3DXHANDLE, IDirect3DVertexShader9**)
UNUSED_METHOD(SetArrayRange, D3DXHANDLE, UINT, UINT)
UNUSED_METHOD(GetPool, ID3DXEffectPool**)
UNUSED_METHOD(ValidateTechnique, D3DXHANDLE)
UNUSED_METHOD(FindNextValidTechnique, D3DXHANDLE, D3DXHANDLE*)
UNUSED_METHOD(GetDevice, IDirect3DDevice9**)
UNUSED_METHOD(SetStateManager, ID3DXEffectStateManager*)
UNUSED_METHOD(GetStateManager, ID3DXEffectStateManager**)
UNUSED_METHOD(BeginParameterBlock)
UNUSED_HANDLE(EndParameterBlock)
UNUSED_METHOD(ApplyParameterBlock, D3DXHANDLE)
#if D3DX_SDK_VERSION >= 26
UNUSED_METHOD(DeleteParameterBlock, D3DXHANDLE)
#endif
UNUSED_METHOD(CloneEffect, IDirect3DDevice9*, ID3DXEffect**)
#if D3DX_SDK_VERSION >= 27
UNUSED_METHOD(SetRawValue, D3DXHANDLE, const void*, UINT, UINT)
#endif

WINBOOL RecordingEffect::IsParameterUsed(D3DXHANDLE, D3DXHANDLE)
{
    Record("IsParameterUsed", nullptr);
    return TRUE;
}
