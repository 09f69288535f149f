#pragma once
// FakeD3DX: link-time stand-ins for the D3DX entry points that the graphics resources call.
//
// Link order for a unit test: <product libs> vexa_fakes vexa_platform. The fakes then define
//   D3DXLoadMeshFromXW, D3DXCreateMesh, D3DXComputeNormals, D3DXCreateTextureFromFileA,
//   D3DXCreateEffectFromFileW
// and each one forwards to the real function of d3dx9_40.dll unless a test scripted it, so a
// test that scripts nothing runs on real D3DX.
//
// Scripting (global state; call FakeD3DX::Reset() in SetUp and TearDown):
//
//   FakeD3DX::Script& script = FakeD3DX::Current();
//   script.LoadMeshFromX.Result = 0x88760389;  // D3DXLoadMeshFromXW fails with that result
//   script.CreateTextureFromFile = {E_OUTOFMEMORY, 1, 1}; // the 2nd call fails, once
//
// A Fault fails a call when Result is a failure code: the first Skip calls still go through,
// then Times calls fail (Times 0 = every call from then on). A failed fake call writes none of
// its outputs, as Wine does for most failures.
//
//   script.WrapMeshes = true;   // meshes from D3DXLoadMeshFromXW and D3DXCreateMesh come back
//                               // wrapped (FakeD3DX::WrapMesh); clones and Optimize results of a
//                               // wrapped mesh are wrapped as well
//   script.Mesh.OptimizeInplace.Result = E_FAIL;  // every wrapped mesh fails OptimizeInplace
//   script.Mesh.LockIndexBuffer.Result = D3DERR_INVALIDCALL;
//   script.Mesh.NumFaces = 0x20000000;  // wrapped meshes claim that many faces
//   script.NoAdjacencyBuffer = true;    // a real load, minus the adjacency buffer
//   script.NoMaterialBuffer = true;     // a real load, minus the material buffer (count 0)
//
// A wrapped mesh (a Fake::ForwardingMesh, Forwarding.h) forwards every method to the real mesh
// inside, except that CloneMesh, CloneMeshFVF, GenerateAdjacency, OptimizeInplace, the three
// Lock calls and SetAttributeTable obey script.Mesh, and DrawSubset is written to the journal.
// D3DXComputeNormals unwraps it.
//
// Effects:
//   script.CreateEffect.Result = E_FAIL;            // D3DXCreateEffectFromFileW fails ...
//   script.EffectErrorBuffer = true;                // ... and hands out an error buffer ...
//   script.EffectErrors = "line 3: syntax error";   // ... holding this text and a zero byte
//   script.FakeEffectPasses = 2;  // a successful D3DXCreateEffectFromFileW returns a fake effect
//                                 // with 2 passes instead of compiling the file (-1: real)
//   ID3DXEffect* fx = FakeD3DX::CreateFakeEffect(0);  // a fake effect, one reference
//
// A fake effect is a RecordingEffect (RecordingEffect.h) that deletes itself at its last Release
// and writes every call to the journal as "Effect.<Method> <name>".
//
// Observations: FakeD3DX::Calls() counts calls of every entry point (forwarded or failed) and
// keeps their last arguments; the one journal of the fakes (Fake::Journal(), FakeCom.h) lists
// the calls made on fake effects and wrapped meshes in order ("Effect.Begin",
// "Effect.BeginPass", "Mesh.DrawSubset 2", "Effect.EndPass", "Effect.End", ...).
// FakeD3DX::LastErrorBuffer() is the last error buffer handed out; it stays readable (RefCount)
// after its last Release until Reset.
#include <windows.h>

#include <d3d9.h>
#include <d3dx9.h>

#include <string>
#include <vector>

namespace FakeD3DX
{
struct Fault
{
    HRESULT Result = S_OK; // a failure code arms the fault
    unsigned Skip = 0;     // calls that still go through first
    unsigned Times = 0;    // calls that fail then; 0 = all of them

    // Counts one call; true when this call is to fail.
    bool Fire();
};

struct MeshScript
{
    Fault CloneMesh; // CloneMesh and CloneMeshFVF
    Fault GenerateAdjacency;
    Fault OptimizeInplace;
    Fault LockVertexBuffer;
    Fault LockIndexBuffer;
    Fault LockAttributeBuffer;
    Fault SetAttributeTable;
    bool OptimizeInplaceSucceeds = false; // OptimizeInplace answers S_OK and changes nothing
    DWORD NumFaces = 0;                   // non-zero: what GetNumFaces answers (the real mesh is not changed)
};

struct Script
{
    Fault LoadMeshFromX;
    Fault CreateMesh;
    Fault ComputeNormals;
    Fault CreateTextureFromFile;
    Fault CreateEffect;
    bool EffectErrorBuffer = false;
    std::string EffectErrors;
    int FakeEffectPasses = -1;
    bool WrapMeshes = false;
    bool NoAdjacencyBuffer = false; // D3DXLoadMeshFromXW hands out no adjacency buffer
    bool NoMaterialBuffer = false;  // ... no material buffer and a count of 0
    MeshScript Mesh;
};

struct CallLog
{
    unsigned LoadMeshFromX = 0;
    unsigned CreateMesh = 0;
    unsigned ComputeNormals = 0;
    unsigned CreateTextureFromFile = 0;
    unsigned CreateEffect = 0;
    DWORD LoadMeshOptions = 0;
    std::wstring LoadMeshFile;
    std::vector<std::string> TextureFiles; // every path D3DXCreateTextureFromFileA was given
    DWORD EffectFlags = 0;
    std::wstring EffectFile;
    bool ComputeNormalsAdjacency = false; // the last D3DXComputeNormals had an adjacency array
};

// An ID3DXBuffer made by the fakes; kept alive by them until Reset so tests can read RefCount.
class FakeBuffer : public ID3DXBuffer
{
public:
    explicit FakeBuffer(const std::string& bytes);
    STDMETHOD(QueryInterface)(REFIID riid, void** out) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD_(void*, GetBufferPointer)() override;
    STDMETHOD_(DWORD, GetBufferSize)() override;

    ULONG RefCount;

private:
    std::vector<char> m_bytes;
};

Script& Current();
CallLog& Calls();
FakeBuffer* LastErrorBuffer();
// Clears the script, the counters, the journal (Fake::Journal) and the buffers kept for inspection.
void Reset();

// Wraps a real mesh; takes over the caller's reference to it. Returns the wrapper (one reference).
ID3DXMesh* WrapMesh(ID3DXMesh* real);
bool IsWrappedMesh(const ID3DXBaseMesh* mesh);
// The real mesh inside a wrapper (no reference added); any other mesh is returned as it is.
ID3DXMesh* Unwrap(ID3DXMesh* mesh);

// A RecordingEffect with that many passes, journalling as "Effect", one reference.
ID3DXEffect* CreateFakeEffect(UINT passes);

// The real d3dx9_40.dll entry point of that name (null if missing).
FARPROC RealD3DX(const char* name);
} // namespace FakeD3DX
