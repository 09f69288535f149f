#pragma once
// Shared helpers of the resource tests: a scratch folder as working directory, drawing on a
// TestDevice, and writers for .x, .bmp and fx_2_0 files.
#include "tests/support/Files.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestDevice.h"

#include <windows.h>

#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ResourceTest
{
// A fresh scratch folder named after the test, the working directory while it lives.
class WorkingFolder : public ScratchFolder
{
public:
    explicit WorkingFolder(const std::string& testName);
};

// Width and height of the TestDevice the resource tests draw on.
const UINT ScreenSize = 64;
// Clears to black, draws one subset with fixed-function white and reads the target back.
std::vector<std::uint32_t> DrawSubset(const TestDevice& device, ID3DXMesh* mesh, DWORD subset);
// The render target's colours (X8R8G8B8 without the unused byte).
std::vector<std::uint32_t> ReadColours(const TestDevice& device);

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
