#pragma once
// Shared helpers of the resource tests: a scratch folder as working directory, a hidden window
// with a real Direct3D 9 device, and writers for .x, .bmp and fx_2_0 files.
#include <windows.h>

#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ResourceTest
{
// Creates a fresh folder under the temp directory and makes it the working directory;
// the previous working directory comes back on destruction (the folder is left behind).
class ScratchFolder
{
public:
    // name: any text (a test name); characters other than letters and digits become '_'.
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    std::wstring m_previous;
};

// A hidden window and a windowed HAL device with a 64 x 64 X8R8G8B8 back buffer, made through
// the real d3d9.dll whatever the link order.
class TestDevice
{
public:
    TestDevice();
    ~TestDevice();
    bool Ok() const { return Device != nullptr; }

    // Reference count of the device as Release reports it (after a matching AddRef).
    ULONG RefCount();
    // Clears to black, draws one subset with fixed-function white and reads the target back.
    std::vector<std::uint32_t> DrawSubset(ID3DXMesh* mesh, DWORD subset);
    // The render target's pixels (X8R8G8B8, 64 x 64).
    std::vector<std::uint32_t> ReadBack();

    static const UINT Size = 64;
    HWND Window;
    IDirect3D9* D3D;
    IDirect3DDevice9* Device;
};

// Pixel at the centre of quadrant 0 (top left), 1 (top right), 2 (bottom left), 3 (bottom right).
std::uint32_t QuadrantPixel(const std::vector<std::uint32_t>& pixels, int quadrant);

// The static vertex: position, normal, one texture coordinate.
struct Vertex
{
    float Position[3];
    float Normal[3];
    float TexCoord[2];
};

struct XMaterial
{
    float Diffuse[4];
    float Power;
    float Specular[3];
    float Emissive[3];
    std::string Texture; // empty: no TextureFilename
};

// Four quads, one per quadrant of the screen at z = 0.5, two triangles each, own vertices,
// normals written deliberately wrong (0, 1, 0). quadMaterials[q] is the material of quad q.
// withMaterialList false: no MeshMaterialList at all.
std::string QuadsXFile(const int quadMaterials[4], const std::vector<XMaterial>& materials,
                       bool withMaterialList = true);
// The vertex (position and texture coordinate) that QuadsXFile writes at index i.
Vertex QuadsXFileVertex(int i);

bool WriteFileBytes(const std::wstring& path, const void* data, std::size_t size);
bool WriteTextFile(const std::wstring& path, const std::string& text);
// A 4 x 4 24-bit BMP of one colour.
bool WriteBmp(const std::wstring& path, std::uint32_t rgb);
// The compiled effect: float4 g_color = {0.25, 0.5, 1, 1}; technique T { pass P { ZEnable = FALSE;
// PixelShader = asm { ps_2_0 mov oC0, c0 }; } }
std::vector<std::uint32_t> ColorEffectBinary();

// An n x n grid of quads in z = 0.5 sharing vertices, built with D3DXCreateMesh in the static
// layout; face attribute = (face / 2 + row) % attributeCount. Wrong (zero) normals.
ID3DXMesh* CreateGridMesh(IDirect3DDevice9* device, int n, int attributeCount, bool indices32);

// Every face as its three corner positions, in face order, with its attribute.
struct FaceCorners
{
    float Corner[3][3];
    DWORD Attribute;
};
std::vector<FaceCorners> ReadFaces(ID3DXMesh* mesh);
std::vector<Vertex> ReadVertices(ID3DXMesh* mesh);
std::vector<DWORD> ReadIndices(ID3DXMesh* mesh);
std::vector<D3DXATTRIBUTERANGE> ReadAttributeTable(ID3DXMesh* mesh);
} // namespace ResourceTest
