#pragma once
// RecordingEffect: the fake ID3DXEffect. It records every call made on it, in order, with the
// values, and reports a chosen number of passes; parameter and technique handles are names.
// A test may own one (on the stack, never deleted), or get one from FakeD3DX::CreateFakeEffect
// or a scripted D3DXCreateEffectFromFileW (deleted at its last Release).
#include <d3dx9.h>

#include <string>
#include <vector>

struct EffectCall
{
    std::string Method;               // "SetMatrix", "SetValue", "Begin", ...
    std::string Name;                 // parameter or technique name, empty for the others
    std::vector<unsigned char> Bytes; // the value as set (matrix, float, SetValue bytes)
    const void* Pointer = nullptr;    // SetTexture's texture
    UINT Index = 0;                   // BeginPass's pass
};

class RecordingEffect : public ID3DXEffect
{
public:
    explicit RecordingEffect(UINT passes = 1, std::vector<std::string>* sharedLog = nullptr,
                             const std::string& tag = std::string());
    virtual ~RecordingEffect() = default;

    std::vector<EffectCall> Calls;
    UINT Passes;
    ULONG References;
    // When set, every call is also appended here as "<tag>.<Method> <Name>" so that the order
    // across several effects can be checked (normally the fakes' journal, Fake::Journal()).
    std::vector<std::string>* SharedLog;
    std::string Tag;
    bool DeleteAtZero = false; // made by the fakes: the last Release deletes it

    // Calls of one method (optionally one name), in order.
    std::vector<EffectCall> Find(const std::string& method, const std::string& name = std::string()) const;

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** out) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // What the demo uses.
    STDMETHOD(SetValue)(D3DXHANDLE parameter, const void* data, UINT bytes) override;
    STDMETHOD(SetFloat)(D3DXHANDLE parameter, FLOAT f) override;
    STDMETHOD(SetMatrix)(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
    STDMETHOD(SetTexture)(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override;
    STDMETHOD(SetTechnique)(D3DXHANDLE technique) override;
    STDMETHOD(Begin)(UINT* passes, DWORD flags) override;
    STDMETHOD(BeginPass)(UINT pass) override;
    STDMETHOD(CommitChanges)() override;
    STDMETHOD(EndPass)() override;
    STDMETHOD(End)() override;
    STDMETHOD(OnLostDevice)() override;
    STDMETHOD(OnResetDevice)() override;

    // The rest records its name and fails.
    STDMETHOD(GetDesc)(D3DXEFFECT_DESC*) override;
    STDMETHOD(GetParameterDesc)(D3DXHANDLE, D3DXPARAMETER_DESC*) override;
    STDMETHOD(GetTechniqueDesc)(D3DXHANDLE, D3DXTECHNIQUE_DESC*) override;
    STDMETHOD(GetPassDesc)(D3DXHANDLE, D3DXPASS_DESC*) override;
    STDMETHOD(GetFunctionDesc)(D3DXHANDLE, D3DXFUNCTION_DESC*) override;
    STDMETHOD_(D3DXHANDLE, GetParameter)(D3DXHANDLE, UINT) override;
    STDMETHOD_(D3DXHANDLE, GetParameterByName)(D3DXHANDLE, const char*) override;
    STDMETHOD_(D3DXHANDLE, GetParameterBySemantic)(D3DXHANDLE, const char*) override;
    STDMETHOD_(D3DXHANDLE, GetParameterElement)(D3DXHANDLE, UINT) override;
    STDMETHOD_(D3DXHANDLE, GetTechnique)(UINT) override;
    STDMETHOD_(D3DXHANDLE, GetTechniqueByName)(const char*) override;
    STDMETHOD_(D3DXHANDLE, GetPass)(D3DXHANDLE, UINT) override;
    STDMETHOD_(D3DXHANDLE, GetPassByName)(D3DXHANDLE, const char*) override;
    STDMETHOD_(D3DXHANDLE, GetFunction)(UINT) override;
    STDMETHOD_(D3DXHANDLE, GetFunctionByName)(const char*) override;
    STDMETHOD_(D3DXHANDLE, GetAnnotation)(D3DXHANDLE, UINT) override;
    STDMETHOD_(D3DXHANDLE, GetAnnotationByName)(D3DXHANDLE, const char*) override;
    STDMETHOD(GetValue)(D3DXHANDLE, void*, UINT) override;
    STDMETHOD(SetBool)(D3DXHANDLE, WINBOOL) override;
    STDMETHOD(GetBool)(D3DXHANDLE, WINBOOL*) override;
    STDMETHOD(SetBoolArray)(D3DXHANDLE, const WINBOOL*, UINT) override;
    STDMETHOD(GetBoolArray)(D3DXHANDLE, WINBOOL*, UINT) override;
    STDMETHOD(SetInt)(D3DXHANDLE, INT) override;
    STDMETHOD(GetInt)(D3DXHANDLE, INT*) override;
    STDMETHOD(SetIntArray)(D3DXHANDLE, const INT*, UINT) override;
    STDMETHOD(GetIntArray)(D3DXHANDLE, INT*, UINT) override;
    STDMETHOD(GetFloat)(D3DXHANDLE, FLOAT*) override;
    STDMETHOD(SetFloatArray)(D3DXHANDLE, const FLOAT*, UINT) override;
    STDMETHOD(GetFloatArray)(D3DXHANDLE, FLOAT*, UINT) override;
    STDMETHOD(SetVector)(D3DXHANDLE, const D3DXVECTOR4*) override;
    STDMETHOD(GetVector)(D3DXHANDLE, D3DXVECTOR4*) override;
    STDMETHOD(SetVectorArray)(D3DXHANDLE, const D3DXVECTOR4*, UINT) override;
    STDMETHOD(GetVectorArray)(D3DXHANDLE, D3DXVECTOR4*, UINT) override;
    STDMETHOD(GetMatrix)(D3DXHANDLE, D3DXMATRIX*) override;
    STDMETHOD(SetMatrixArray)(D3DXHANDLE, const D3DXMATRIX*, UINT) override;
    STDMETHOD(GetMatrixArray)(D3DXHANDLE, D3DXMATRIX*, UINT) override;
    STDMETHOD(SetMatrixPointerArray)(D3DXHANDLE, const D3DXMATRIX**, UINT) override;
    STDMETHOD(GetMatrixPointerArray)(D3DXHANDLE, D3DXMATRIX**, UINT) override;
    STDMETHOD(SetMatrixTranspose)(D3DXHANDLE, const D3DXMATRIX*) override;
    STDMETHOD(GetMatrixTranspose)(D3DXHANDLE, D3DXMATRIX*) override;
    STDMETHOD(SetMatrixTransposeArray)(D3DXHANDLE, const D3DXMATRIX*, UINT) override;
    STDMETHOD(GetMatrixTransposeArray)(D3DXHANDLE, D3DXMATRIX*, UINT) override;
    STDMETHOD(SetMatrixTransposePointerArray)(D3DXHANDLE, const D3DXMATRIX**, UINT) override;
    STDMETHOD(GetMatrixTransposePointerArray)(D3DXHANDLE, D3DXMATRIX**, UINT) override;
    STDMETHOD(SetString)(D3DXHANDLE, const char*) override;
    STDMETHOD(GetString)(D3DXHANDLE, const char**) override;
    STDMETHOD(GetTexture)(D3DXHANDLE, IDirect3DBaseTexture9**) override;
    STDMETHOD(GetPixelShader)(D3DXHANDLE, IDirect3DPixelShader9**) override;
    STDMETHOD(GetVertexShader)(D3DXHANDLE, IDirect3DVertexShader9**) override;
    STDMETHOD(SetArrayRange)(D3DXHANDLE, UINT, UINT) override;
    STDMETHOD(GetPool)(ID3DXEffectPool**) override;
    STDMETHOD_(D3DXHANDLE, GetCurrentTechnique)() override;
    STDMETHOD(ValidateTechnique)(D3DXHANDLE) override;
    STDMETHOD(FindNextValidTechnique)(D3DXHANDLE, D3DXHANDLE*) override;
    STDMETHOD_(WINBOOL, IsParameterUsed)(D3DXHANDLE, D3DXHANDLE) override;
    STDMETHOD(GetDevice)(IDirect3DDevice9**) override;
    STDMETHOD(SetStateManager)(ID3DXEffectStateManager*) override;
    STDMETHOD(GetStateManager)(ID3DXEffectStateManager**) override;
    STDMETHOD(BeginParameterBlock)() override;
    STDMETHOD_(D3DXHANDLE, EndParameterBlock)() override;
    STDMETHOD(ApplyParameterBlock)(D3DXHANDLE) override;
#if D3DX_SDK_VERSION >= 26
    STDMETHOD(DeleteParameterBlock)(D3DXHANDLE) override;
#endif
    STDMETHOD(CloneEffect)(IDirect3DDevice9*, ID3DXEffect**) override;
#if D3DX_SDK_VERSION >= 27
    STDMETHOD(SetRawValue)(D3DXHANDLE, const void*, UINT, UINT) override;
#endif

private:
    void Record(const char* method, D3DXHANDLE name, const void* data = nullptr, size_t bytes = 0);
    D3DXHANDLE Technique;
};
