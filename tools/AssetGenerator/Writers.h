#pragma once
// File encoders of the generator: .x meshes (text and binary), .sdkmesh (version 101) meshes
// and 24-bit BMP images. Each returns the whole file, so tests can inspect it without a disk.
#include "Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Assets
{
using Bytes = std::vector<std::uint8_t>;

struct Colour
{
    float R, G, B, A;
};

struct SurfaceMaterial
{
    std::string Name;
    Colour Diffuse;
    Colour Ambient; // .sdkmesh only; .x files have none
    Colour Specular;
    Colour Emissive;
    float Power;
    std::string DiffuseTexture; // empty: none
};

// Fixed notation with six decimals and always a decimal point ("-1.500000", "0.000000"):
// Wine's .x parser refuses an integer where a float belongs.
std::string FormatFloat(double value);

// "xof 0303txt 0032" with one Mesh (MeshTextureCoords, MeshMaterialList). No MeshNormals: the
// engine computes every mesh's normals itself, whatever the file holds, so normals would only be
// parsed and dropped. The face attributes of the mesh are the material indices.
std::string EncodeXFile(const TriMesh& mesh, const std::vector<SurfaceMaterial>& materials,
                        const std::string& meshName);

// The same Mesh in the binary encoding ("xof 0303bin 0032"): the same objects, names and
// values, each float the one nearest to its text form. D3DX parses it faster than the text.
Bytes EncodeXFileBinary(const TriMesh& mesh, const std::vector<SurfaceMaterial>& materials,
                        const std::string& meshName);

// Tokens of the binary encoding used by EncodeXFileBinary.
namespace XToken
{
const std::uint16_t Name = 1;
const std::uint16_t String = 2;
const std::uint16_t IntegerList = 6;
const std::uint16_t FloatList = 7;
const std::uint16_t OpenBrace = 10;
const std::uint16_t CloseBrace = 11;
const std::uint16_t Semicolon = 20;
} // namespace XToken

// Record sizes of the published version-101 layout.
namespace SdkMesh
{
const std::uint32_t Version = 101;
const std::uint32_t MainHeaderSize = 104;
const std::uint32_t VertexBufferHeaderSize = 288;
const std::uint32_t IndexBufferHeaderSize = 32;
const std::uint32_t MeshInfoSize = 224;
const std::uint32_t SubsetSize = 144;
const std::uint32_t FrameSize = 184;
const std::uint32_t MaterialSize = 1256;
const std::uint32_t VertexStride = 32; // position, normal, texture coordinate
} // namespace SdkMesh

// One mesh, one vertex buffer, one index buffer (16-bit when the vertices allow it), one frame.
// The faces must be sorted by attribute; every attribute that has faces becomes a subset
// (consecutive face runs, in attribute order) whose material is materials[attribute].
Bytes EncodeSdkMesh(const TriMesh& mesh, const std::vector<SurfaceMaterial>& materials, const std::string& meshName);

// Rows top to bottom, three bytes per pixel in the order red, green, blue.
struct Image
{
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb;

    Image() = default;
    Image(int width, int height) : Width(width), Height(height), Rgb(static_cast<size_t>(width) * height * 3, 0) {}
    void Set(int x, int y, double r, double g, double b); // components 0..1, clamped
};

Bytes EncodeBmp24(const Image& image);
} // namespace Assets
