#include "ResourceTestSupport.h"

#include "tests/support/Bitmap.h"

#include <cstdio>
#include <cstring>

namespace ResourceTest
{
namespace
{
void AppendFloat(std::string& text, float value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6f", value);
    text += buffer;
}

const float QuadBounds[4][4] = {
    {-0.9f, 0.1f, -0.1f, 0.9f}, // x0, y0, x1, y1
    {0.1f, 0.1f, 0.9f, 0.9f},
    {-0.9f, -0.9f, -0.1f, -0.1f},
    {0.1f, -0.9f, 0.9f, -0.1f},
};

const D3DVERTEXELEMENT9 StaticLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};
} // namespace

WorkingFolder::WorkingFolder(const std::string& testName) : ScratchFolder("resources-" + testName)
{
    Enter();
}

std::vector<std::uint32_t> DrawSubset(const TestDevice& device, ID3DXMesh* mesh, DWORD subset)
{
    IDirect3DDevice9* d3d = device.Device;
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d3d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d3d->SetTexture(0, nullptr);
    d3d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d3d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d3d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    d3d->BeginScene();
    mesh->DrawSubset(subset);
    d3d->EndScene();
    return ReadColours(device);
}

std::vector<std::uint32_t> ReadColours(const TestDevice& device)
{
    std::vector<std::uint32_t> pixels = device.ReadBack();
    for (std::uint32_t& pixel : pixels)
        pixel &= 0x00FFFFFF;
    return pixels;
}

std::uint32_t QuadrantPixel(const std::vector<std::uint32_t>& pixels, int quadrant)
{
    const UINT x = (quadrant % 2 == 0) ? ScreenSize / 4 : ScreenSize * 3 / 4;
    const UINT y = (quadrant < 2) ? ScreenSize / 4 : ScreenSize * 3 / 4;
    const std::size_t index = static_cast<std::size_t>(y) * ScreenSize + x;
    return index < pixels.size() ? pixels[index] : 0xDEADBEEF;
}

Vertex QuadsXFileVertex(int i)
{
    const int quad = i / 4;
    const int corner = i % 4;
    const float* bounds = QuadBounds[quad];
    Vertex vertex = {};
    vertex.Position[0] = (corner < 2) ? bounds[0] : bounds[2];
    vertex.Position[1] = (corner == 0 || corner == 3) ? bounds[1] : bounds[3];
    vertex.Position[2] = 0.5f;
    vertex.TexCoord[0] = static_cast<float>(quad * 2 + (corner < 2 ? 0 : 1));
    vertex.TexCoord[1] = (corner == 0 || corner == 3) ? 1.0f : 0.0f;
    return vertex;
}

std::string QuadsXFile(const int quadMaterials[4], const std::vector<XMaterial>& materials, bool withMaterialList)
{
    std::string x = "xof 0303txt 0032\n\nMesh quads {\n 16;\n";
    for (int i = 0; i < 16; ++i)
    {
        const Vertex vertex = QuadsXFileVertex(i);
        x += " ";
        for (float value : vertex.Position)
        {
            AppendFloat(x, value);
            x += ";";
        }
        x += i == 15 ? ";\n" : ",\n";
    }
    std::string faces = " 8;\n";
    for (int quad = 0; quad < 4; ++quad)
    {
        const int b = quad * 4;
        faces += " 3;" + std::to_string(b) + "," + std::to_string(b + 1) + "," + std::to_string(b + 2) + ";,\n";
        faces += " 3;" + std::to_string(b) + "," + std::to_string(b + 2) + "," + std::to_string(b + 3) +
                 (quad == 3 ? ";;\n" : ";,\n");
    }
    x += faces;

    x += " MeshNormals {\n  16;\n";
    for (int i = 0; i < 16; ++i)
        x += std::string("  0.000000;1.000000;0.000000;") + (i == 15 ? ";\n" : ",\n");
    x += faces;
    x += " }\n";

    x += " MeshTextureCoords {\n  16;\n";
    for (int i = 0; i < 16; ++i)
    {
        const Vertex vertex = QuadsXFileVertex(i);
        x += "  ";
        AppendFloat(x, vertex.TexCoord[0]);
        x += ";";
        AppendFloat(x, vertex.TexCoord[1]);
        x += i == 15 ? ";;\n" : ";,\n";
    }
    x += " }\n";

    if (withMaterialList)
    {
        x += " MeshMaterialList {\n  " + std::to_string(materials.size()) + ";\n  8;\n";
        for (int face = 0; face < 8; ++face)
            x += "  " + std::to_string(quadMaterials[face / 2]) + (face == 7 ? ";\n" : ",\n");
        for (const XMaterial& material : materials)
        {
            x += "  Material {\n   ";
            for (float value : material.Diffuse)
            {
                AppendFloat(x, value);
                x += ";";
            }
            x += ";\n   ";
            AppendFloat(x, material.Power);
            x += ";\n   ";
            for (float value : material.Specular)
            {
                AppendFloat(x, value);
                x += ";";
            }
            x += ";\n   ";
            for (float value : material.Emissive)
            {
                AppendFloat(x, value);
                x += ";";
            }
            x += ";\n";
            if (!material.Texture.empty())
                x += "   TextureFilename {\n    \"" + material.Texture + "\";\n   }\n";
            x += "  }\n";
        }
        x += " }\n";
    }
    x += "}\n";
    return x;
}

bool WriteBmp(const std::wstring& path, std::uint32_t rgb)
{
    std::vector<unsigned char> file = BlankBmp24(4, 4);
    for (std::size_t at = BmpPixelOffset; at < file.size(); at += 3)
    {
        file[at + 0] = static_cast<unsigned char>(rgb);
        file[at + 1] = static_cast<unsigned char>(rgb >> 8);
        file[at + 2] = static_cast<unsigned char>(rgb >> 16);
    }
    return WriteFileBytes(path, file);
}

std::vector<std::uint32_t> ColorEffectBinary()
{
    // Offsets are from file byte 8; see the comments for each record.
    return {
        0xFEFF0901, 0x00000084,                                                             // tag, header at 0x84
        0x00000000,                                                                         // 00 empty string
        0x00000003, 0x00000001, 0x00000020, 0,          0,          0x00000004, 0x00000001, // 04 float4 typedef
        0x00000008, 0x6F635F67, 0x00726F6C,                                                 // 20 "g_color"
        0x3E800000, 0x3F000000, 0x3F800000, 0x3F800000,                                     // 2C 0.25 0.5 1 1
        0x00000002, 0x00000002, 0,          0,          0,          0x00000001, 0x00000001, // 3C INT typedef
        0x00000000,                                                                         // 58 FALSE
        0x0000000F, 0x00000004, 0,          0,          0,                                  // 5C pixel shader typedef
        0x00000001,                                                                         // 70 object id 1
        0x00000002, 0x00000054,                                                             // 74 "T"
        0x00000002, 0x00000050,                                                             // 7C "P"
        0x00000001, 0x00000001, 0x00000002, 0x00000002,                                     // 84 header
        0x00000004, 0x0000002C, 0,          0,                                              // 94 parameter
        0x00000074, 0,          0x00000001,                                                 // A4 technique
        0x0000007C, 0,          0x00000002,                                                 // B0 pass
        0,          0,          0x0000003C, 0x00000058,                                     // BC ZEnable
        0x00000093, 0,          0x0000005C, 0x00000070,                                     // CC PixelShader
        0,          0x00000001,                                                             // DC 0 objects, 1 resource
        0,          0,          0xFFFFFFFF, 0x00000001, 0,          0x00000074,             // E4 resource
        0xFFFF0200,                                                                         // FC ps_2_0
        0x0017FFFE, 0x42415443,                                                             // 100 CTAB comment
        0x0000001C, 0x00000048, 0xFFFF0200, 0x00000001, 0x0000001C, 0,          0x00000050, // 108 header
        0x00000030, 0x00000002, 0x00000001, 0x00000038, 0,                                  // 124 g_color c0
        0x6F635F67, 0x00726F6C,                                                             // 138 "g_color"
        0x00030001, 0x00040001, 0x00000001, 0,                                              // 140 float4 type
        0x6F727866, 0x006F746F, 0x325F7370, 0xAB00305F,                                     // 150 creator, target
        0x02000001, 0x800F0800, 0xA0E40000, 0x0000FFFF,                                     // 160 mov oC0, c0; end
    };
}

ID3DXMesh* CreateGridMesh(IDirect3DDevice9* device, int n, int attributeCount, bool indices32)
{
    const DWORD vertexCount = static_cast<DWORD>((n + 1) * (n + 1));
    const DWORD faceCount = static_cast<DWORD>(n * n * 2);
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXCreateMesh(faceCount, vertexCount, D3DXMESH_MANAGED | (indices32 ? D3DXMESH_32BIT : 0), StaticLayout,
                              device, &mesh)))
        return nullptr;

    Vertex* vertices = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&vertices));
    for (int row = 0; row <= n; ++row)
        for (int column = 0; column <= n; ++column)
        {
            Vertex& vertex = vertices[row * (n + 1) + column];
            vertex = Vertex();
            vertex.Position[0] = -0.9f + 1.8f * column / n;
            vertex.Position[1] = -0.9f + 1.8f * row / n;
            vertex.Position[2] = 0.5f;
            vertex.TexCoord[0] = static_cast<float>(column);
            vertex.TexCoord[1] = static_cast<float>(row);
        }
    mesh->UnlockVertexBuffer();

    std::vector<DWORD> indices;
    for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column)
        {
            const DWORD a = row * (n + 1) + column, b = a + (n + 1), c = b + 1, d = a + 1;
            const DWORD face[6] = {a, b, c, a, c, d};
            indices.insert(indices.end(), face, face + 6);
        }
    void* indexData = nullptr;
    mesh->LockIndexBuffer(0, &indexData);
    for (std::size_t i = 0; i < indices.size(); ++i)
        if (indices32)
            static_cast<DWORD*>(indexData)[i] = indices[i];
        else
            static_cast<WORD*>(indexData)[i] = static_cast<WORD>(indices[i]);
    mesh->UnlockIndexBuffer();

    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    for (DWORD face = 0; face < faceCount; ++face)
        attributes[face] = (face / 2 + face / 2 / n) % attributeCount;
    mesh->UnlockAttributeBuffer();
    return mesh;
}

std::vector<DWORD> ReadIndices(ID3DXMesh* mesh)
{
    std::vector<DWORD> indices(mesh->GetNumFaces() * 3);
    void* data = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data)))
        return std::vector<DWORD>();
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = wide ? static_cast<const DWORD*>(data)[i] : static_cast<const WORD*>(data)[i];
    mesh->UnlockIndexBuffer();
    return indices;
}

std::vector<Vertex> ReadVertices(ID3DXMesh* mesh)
{
    std::vector<Vertex> vertices(mesh->GetNumVertices());
    void* data = nullptr;
    if (mesh->GetNumBytesPerVertex() != sizeof(Vertex) || FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)))
        return std::vector<Vertex>();
    std::memcpy(vertices.data(), data, vertices.size() * sizeof(Vertex));
    mesh->UnlockVertexBuffer();
    return vertices;
}

std::vector<FaceCorners> ReadFaces(ID3DXMesh* mesh)
{
    const std::vector<DWORD> indices = ReadIndices(mesh);
    const std::vector<Vertex> vertices = ReadVertices(mesh);
    std::vector<FaceCorners> faces(mesh->GetNumFaces());
    DWORD* attributes = nullptr;
    if (vertices.empty() || indices.empty() || FAILED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes)))
        return std::vector<FaceCorners>();
    for (std::size_t face = 0; face < faces.size(); ++face)
    {
        for (int corner = 0; corner < 3; ++corner)
            std::memcpy(faces[face].Corner[corner], vertices[indices[face * 3 + corner]].Position, sizeof(float) * 3);
        faces[face].Attribute = attributes[face];
    }
    mesh->UnlockAttributeBuffer();
    return faces;
}

std::vector<D3DXATTRIBUTERANGE> ReadAttributeTable(ID3DXMesh* mesh)
{
    DWORD count = 0;
    mesh->GetAttributeTable(nullptr, &count);
    std::vector<D3DXATTRIBUTERANGE> table(count);
    if (count)
        mesh->GetAttributeTable(table.data(), &count);
    return table;
}
} // namespace ResourceTest
