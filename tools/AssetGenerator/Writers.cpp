#include "Writers.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace Assets
{
std::string FormatFloat(double value)
{
    // Own formatting instead of printf: the text must not depend on the C runtime or locale.
    long long scaled = std::llround(value * 1000000.0);
    bool negative = scaled < 0;
    unsigned long long magnitude =
        negative ? static_cast<unsigned long long>(-scaled) : static_cast<unsigned long long>(scaled);
    std::string whole = std::to_string(magnitude / 1000000ULL);
    std::string fraction = std::to_string(magnitude % 1000000ULL);
    fraction.insert(0, 6 - fraction.size(), '0');
    return (negative ? "-" : "") + whole + "." + fraction;
}

namespace
{
void AppendVector(std::string& out, const char* indent, const std::vector<double>& values, bool last)
{
    out += indent;
    for (double v : values)
    {
        out += FormatFloat(v);
        out += ';';
    }
    out += last ? ";\n" : ",\n";
}

void AppendFaces(std::string& out, const char* indent, const TriMesh& mesh)
{
    out += indent + std::to_string(mesh.FaceCount()) + ";\n";
    for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f)
    {
        out += indent;
        out += "3;" + std::to_string(mesh.Indices[3 * f]) + "," + std::to_string(mesh.Indices[3 * f + 1]) + "," +
               std::to_string(mesh.Indices[3 * f + 2]);
        out += f + 1 == mesh.FaceCount() ? ";;\n" : ";,\n";
    }
}
} // namespace

std::string EncodeXFile(const TriMesh& mesh, const std::vector<SurfaceMaterial>& materials, const std::string& meshName)
{
    std::string out = "xof 0303txt 0032\n\n";
    const size_t n = mesh.Positions.size();
    out += "Mesh " + meshName + " {\n";
    out += " " + std::to_string(n) + ";\n";
    for (size_t i = 0; i < n; ++i)
        AppendVector(out, " ", {mesh.Positions[i].x, mesh.Positions[i].y, mesh.Positions[i].z}, i + 1 == n);
    AppendFaces(out, " ", mesh);

    out += "\n MeshTextureCoords {\n";
    out += "  " + std::to_string(n) + ";\n";
    for (size_t i = 0; i < n; ++i)
        AppendVector(out, "  ", {mesh.U[i], mesh.V[i]}, i + 1 == n);
    out += " }\n";

    out += "\n MeshMaterialList {\n";
    out += "  " + std::to_string(materials.size()) + ";\n";
    out += "  " + std::to_string(mesh.FaceCount()) + ";\n";
    for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f)
        out += "  " + std::to_string(mesh.Attributes[f]) + (f + 1 == mesh.FaceCount() ? ";\n" : ",\n");
    for (const SurfaceMaterial& m : materials)
    {
        out += "\n  Material " + m.Name + " {\n";
        AppendVector(out, "   ", {m.Diffuse.R, m.Diffuse.G, m.Diffuse.B, m.Diffuse.A}, true);
        out += "   " + FormatFloat(m.Power) + ";\n";
        AppendVector(out, "   ", {m.Specular.R, m.Specular.G, m.Specular.B}, true);
        AppendVector(out, "   ", {m.Emissive.R, m.Emissive.G, m.Emissive.B}, true);
        if (!m.DiffuseTexture.empty())
            out += "   TextureFilename {\n    \"" + m.DiffuseTexture + "\";\n   }\n";
        out += "  }\n";
    }
    out += " }\n}\n";
    return out;
}

namespace
{
// The float that the text encoding's six decimals denote, so both encodings load alike.
float TextFloat(double value)
{
    const std::string text = FormatFloat(value);
    float result = 0.0f;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

// Appends tokens of the binary .x encoding, little-endian.
class XTokens
{
public:
    XTokens() : m_bytes({'x', 'o', 'f', ' ', '0', '3', '0', '3', 'b', 'i', 'n', ' ', '0', '0', '3', '2'}) {}
    void Token(std::uint16_t token) { U16(token); }
    void Name(const std::string& name)
    {
        U16(XToken::Name);
        U32(static_cast<std::uint32_t>(name.size()));
        m_bytes.insert(m_bytes.end(), name.begin(), name.end());
    }
    void String(const std::string& text)
    {
        U16(XToken::String);
        U32(static_cast<std::uint32_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        U16(XToken::Semicolon);
    }
    void Integers(const std::vector<std::uint32_t>& values)
    {
        U16(XToken::IntegerList);
        U32(static_cast<std::uint32_t>(values.size()));
        for (std::uint32_t v : values)
            U32(v);
    }
    void Floats(const std::vector<double>& values)
    {
        U16(XToken::FloatList);
        U32(static_cast<std::uint32_t>(values.size()));
        for (double v : values)
        {
            const float f = TextFloat(v);
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            U32(bits);
        }
    }
    // "Template [name] {"
    void Open(const std::string& templateName, const std::string& objectName = std::string())
    {
        Name(templateName);
        if (!objectName.empty())
            Name(objectName);
        U16(XToken::OpenBrace);
    }
    void Close() { U16(XToken::CloseBrace); }
    Bytes& Data() { return m_bytes; }

private:
    void U16(std::uint16_t v)
    {
        m_bytes.push_back(static_cast<std::uint8_t>(v));
        m_bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }

    Bytes m_bytes;
};

// The face list as one integer list: the count, then per face its index count and indices.
std::vector<std::uint32_t> FaceList(const TriMesh& mesh)
{
    std::vector<std::uint32_t> list;
    list.reserve(1 + 4 * static_cast<size_t>(mesh.FaceCount()));
    list.push_back(mesh.FaceCount());
    for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f)
    {
        list.push_back(3);
        list.insert(list.end(), mesh.Indices.begin() + 3 * f, mesh.Indices.begin() + 3 * f + 3);
    }
    return list;
}

std::vector<double> Flatten(const std::vector<Vec3>& vectors)
{
    std::vector<double> values;
    values.reserve(3 * vectors.size());
    for (const Vec3& v : vectors)
        values.insert(values.end(), {v.x, v.y, v.z});
    return values;
}
} // namespace

Bytes EncodeXFileBinary(const TriMesh& mesh, const std::vector<SurfaceMaterial>& materials, const std::string& meshName)
{
    const std::uint32_t n = static_cast<std::uint32_t>(mesh.Positions.size());
    const std::vector<std::uint32_t> faces = FaceList(mesh);
    XTokens x;
    x.Open("Mesh", meshName);
    x.Integers({n});
    x.Floats(Flatten(mesh.Positions));
    x.Integers(faces);

    x.Open("MeshTextureCoords");
    x.Integers({n});
    std::vector<double> uv;
    uv.reserve(2 * static_cast<size_t>(n));
    for (std::uint32_t i = 0; i < n; ++i)
        uv.insert(uv.end(), {mesh.U[i], mesh.V[i]});
    x.Floats(uv);
    x.Close();

    x.Open("MeshMaterialList");
    std::vector<std::uint32_t> list = {static_cast<std::uint32_t>(materials.size()), mesh.FaceCount()};
    list.insert(list.end(), mesh.Attributes.begin(), mesh.Attributes.end());
    x.Integers(list);
    for (const SurfaceMaterial& m : materials)
    {
        x.Open("Material", m.Name);
        x.Floats({m.Diffuse.R, m.Diffuse.G, m.Diffuse.B, m.Diffuse.A, m.Power, m.Specular.R, m.Specular.G, m.Specular.B,
                  m.Emissive.R, m.Emissive.G, m.Emissive.B});
        if (!m.DiffuseTexture.empty())
        {
            x.Open("TextureFilename");
            x.String(m.DiffuseTexture);
            x.Close();
        }
        x.Close();
    }
    x.Close();
    x.Close();
    return x.Data();
}

namespace
{
// Little-endian writer over a zero-filled block: every byte of the file is defined.
class Block
{
public:
    explicit Block(size_t size) : m_bytes(size, 0) {}
    void U8(size_t at, std::uint8_t v) { m_bytes[at] = v; }
    void U16(size_t at, std::uint16_t v)
    {
        for (int i = 0; i < 2; ++i)
            m_bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void U32(size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void U64(size_t at, std::uint64_t v)
    {
        for (int i = 0; i < 8; ++i)
            m_bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void F32(size_t at, float v)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        U32(at, bits);
    }
    void Text(size_t at, const std::string& text, size_t field) // zero-terminated inside the field
    {
        for (size_t i = 0; i < text.size() && i + 1 < field; ++i)
            m_bytes[at + i] = static_cast<std::uint8_t>(text[i]);
    }
    void Element(size_t at, std::uint16_t stream, std::uint16_t offset, std::uint8_t type, std::uint8_t usage)
    {
        U16(at, stream);
        U16(at + 2, offset);
        U8(at + 4, type);
        U8(at + 5, 0); // D3DDECLMETHOD_DEFAULT
        U8(at + 6, usage);
        U8(at + 7, 0);
    }
    Bytes& Data() { return m_bytes; }

private:
    Bytes m_bytes;
};

std::uint64_t Align8(std::uint64_t v)
{
    return (v + 7) & ~std::uint64_t(7);
}

// A run of consecutive faces with one attribute: one subset of the file.
struct FaceRun
{
    std::uint32_t Attribute, FirstFace, FaceCount;
};

std::vector<FaceRun> FaceRuns(const TriMesh& mesh)
{
    std::vector<FaceRun> runs;
    for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f)
        if (runs.empty() || runs.back().Attribute != mesh.Attributes[f])
            runs.push_back({mesh.Attributes[f], f, 1});
        else
            ++runs.back().FaceCount;
    return runs;
}

// Where each part of the file starts: the headers and tables in file order, then the vertex and
// index data, each 8-byte aligned.
struct SdkMeshLayout
{
    std::uint32_t VertexCount, IndexCount, SubsetCount, MaterialCount;
    bool WideIndices;
    std::uint64_t VbHeaders, IbHeaders, MeshInfos, Subsets, Frames, MaterialTable, SubsetList, InfluenceList;
    std::uint64_t VertexData, VertexBytes, IndexData, IndexBytes, FileSize;
};

SdkMeshLayout LayOut(const TriMesh& mesh, std::uint32_t subsetCount, std::uint32_t materialCount)
{
    using namespace SdkMesh;
    SdkMeshLayout l;
    l.VertexCount = static_cast<std::uint32_t>(mesh.Positions.size());
    l.IndexCount = static_cast<std::uint32_t>(mesh.Indices.size());
    l.SubsetCount = subsetCount;
    l.MaterialCount = materialCount;
    l.WideIndices = l.VertexCount > 0xFFFF;
    l.VbHeaders = MainHeaderSize;
    l.IbHeaders = l.VbHeaders + VertexBufferHeaderSize;
    l.MeshInfos = l.IbHeaders + IndexBufferHeaderSize;
    l.Subsets = l.MeshInfos + MeshInfoSize;
    l.Frames = l.Subsets + std::uint64_t(SubsetSize) * subsetCount;
    l.MaterialTable = l.Frames + FrameSize;
    l.SubsetList = l.MaterialTable + std::uint64_t(MaterialSize) * materialCount;
    l.InfluenceList = l.SubsetList + 4ULL * subsetCount;
    l.VertexData = Align8(l.InfluenceList + 4);
    l.VertexBytes = std::uint64_t(l.VertexCount) * VertexStride;
    l.IndexData = Align8(l.VertexData + l.VertexBytes);
    l.IndexBytes = std::uint64_t(l.IndexCount) * (l.WideIndices ? 4 : 2);
    l.FileSize = Align8(l.IndexData + l.IndexBytes);
    return l;
}

void WriteMainHeader(Block& b, const SdkMeshLayout& l)
{
    using namespace SdkMesh;
    b.U32(0, Version);
    b.U8(4, 0); // little-endian
    b.U64(8, MainHeaderSize);
    b.U64(16, l.VertexData - MainHeaderSize);
    b.U64(24, l.FileSize - l.VertexData);
    b.U32(32, 1);
    b.U32(36, 1);
    b.U32(40, 1);
    b.U32(44, l.SubsetCount);
    b.U32(48, 1);
    b.U32(52, l.MaterialCount);
    b.U64(56, l.VbHeaders);
    b.U64(64, l.IbHeaders);
    b.U64(72, l.MeshInfos);
    b.U64(80, l.Subsets);
    b.U64(88, l.Frames);
    b.U64(96, l.MaterialTable);
}

// Vertex buffer header: count, size, stride, declaration padded with end markers, data offset.
void WriteVertexBufferHeader(Block& b, const SdkMeshLayout& l)
{
    const size_t at = static_cast<size_t>(l.VbHeaders);
    b.U64(at, l.VertexCount);
    b.U64(at + 8, l.VertexBytes);
    b.U64(at + 16, SdkMesh::VertexStride);
    b.Element(at + 24, 0, 0, 2, 0);  // POSITION float3
    b.Element(at + 32, 0, 12, 2, 3); // NORMAL float3
    b.Element(at + 40, 0, 24, 1, 5); // TEXCOORD0 float2
    for (int e = 3; e < 32; ++e)
        b.Element(at + 24 + 8 * e, 0xFF, 0, 17, 0); // D3DDECL_END
    b.U64(at + 280, l.VertexData);
}

void WriteIndexBufferHeader(Block& b, const SdkMeshLayout& l)
{
    const size_t at = static_cast<size_t>(l.IbHeaders);
    b.U64(at, l.IndexCount);
    b.U64(at + 8, l.IndexBytes);
    b.U32(at + 16, l.WideIndices ? 1 : 0);
    b.U64(at + 24, l.IndexData);
}

// Mesh 0: vertex buffer 0, index buffer 0, its subsets and the one frame.
void WriteMeshInfo(Block& b, const SdkMeshLayout& l, const TriMesh& mesh, const std::string& meshName)
{
    const size_t at = static_cast<size_t>(l.MeshInfos);
    b.Text(at, meshName, 100);
    b.U8(at + 100, 1);
    b.U32(at + 104, 0);
    b.U32(at + 168, 0);
    b.U32(at + 172, l.SubsetCount);
    b.U32(at + 176, 1);
    Box box = BoundingBox(mesh);
    b.F32(at + 180, static_cast<float>((box.Min.x + box.Max.x) * 0.5));
    b.F32(at + 184, static_cast<float>((box.Min.y + box.Max.y) * 0.5));
    b.F32(at + 188, static_cast<float>((box.Min.z + box.Max.z) * 0.5));
    b.F32(at + 192, static_cast<float>((box.Max.x - box.Min.x) * 0.5));
    b.F32(at + 196, static_cast<float>((box.Max.y - box.Min.y) * 0.5));
    b.F32(at + 200, static_cast<float>((box.Max.z - box.Min.z) * 0.5));
    b.U64(at + 208, l.SubsetList);
    b.U64(at + 216, l.InfluenceList);
}

// Each subset and its entry in the mesh's subset list.
void WriteSubsets(Block& b, const SdkMeshLayout& l, const std::vector<FaceRun>& runs,
                  const std::vector<SurfaceMaterial>& materials, const std::string& meshName)
{
    for (std::uint32_t s = 0; s < l.SubsetCount; ++s)
    {
        const size_t at = static_cast<size_t>(l.Subsets + std::uint64_t(SdkMesh::SubsetSize) * s);
        const FaceRun& run = runs[s];
        b.Text(at, run.Attribute < l.MaterialCount ? materials[run.Attribute].Name : meshName, 100);
        b.U32(at + 100, run.Attribute);
        b.U32(at + 104, 0); // triangle list
        b.U64(at + 112, std::uint64_t(run.FirstFace) * 3);
        b.U64(at + 120, std::uint64_t(run.FaceCount) * 3);
        b.U64(at + 128, 0);
        b.U64(at + 136, l.VertexCount);
        b.U32(static_cast<size_t>(l.SubsetList + 4ULL * s), s);
    }
}

// The one frame, holding mesh 0 untransformed, and the mesh's empty influence list.
void WriteFrame(Block& b, const SdkMeshLayout& l, const std::string& meshName)
{
    const size_t at = static_cast<size_t>(l.Frames);
    b.Text(at, meshName, 100);
    b.U32(at + 100, 0);          // mesh 0
    b.U32(at + 104, 0xFFFFFFFF); // no parent
    b.U32(at + 108, 0xFFFFFFFF); // no child
    b.U32(at + 112, 0xFFFFFFFF); // no sibling
    for (int i = 0; i < 4; ++i)
        b.F32(at + 116 + 4 * (5 * i), 1.0f); // identity
    b.U32(at + 180, 0xFFFFFFFF);             // no animation
    b.U32(static_cast<size_t>(l.InfluenceList), 0);
}

void WriteMaterials(Block& b, const SdkMeshLayout& l, const std::vector<SurfaceMaterial>& materials)
{
    for (std::uint32_t m = 0; m < l.MaterialCount; ++m)
    {
        const size_t at = static_cast<size_t>(l.MaterialTable + std::uint64_t(SdkMesh::MaterialSize) * m);
        const SurfaceMaterial& mat = materials[m];
        b.Text(at, mat.Name, 100);
        b.Text(at + 360, mat.DiffuseTexture, 260);
        const Colour colours[4] = {mat.Diffuse, mat.Ambient, mat.Specular, mat.Emissive};
        for (int c = 0; c < 4; ++c)
        {
            b.F32(at + 1140 + 16 * c, colours[c].R);
            b.F32(at + 1144 + 16 * c, colours[c].G);
            b.F32(at + 1148 + 16 * c, colours[c].B);
            b.F32(at + 1152 + 16 * c, colours[c].A);
        }
        b.F32(at + 1204, mat.Power);
        // 1208..1255: run-time texture slots of the format, zero in a file.
    }
}

void WriteVertices(Block& b, const SdkMeshLayout& l, const TriMesh& mesh)
{
    for (std::uint32_t v = 0; v < l.VertexCount; ++v)
    {
        const size_t at = static_cast<size_t>(l.VertexData + std::uint64_t(v) * SdkMesh::VertexStride);
        const Vec3& p = mesh.Positions[v];
        const Vec3& n = mesh.Normals[v];
        const float values[8] = {static_cast<float>(p.x),       static_cast<float>(p.y),      static_cast<float>(p.z),
                                 static_cast<float>(n.x),       static_cast<float>(n.y),      static_cast<float>(n.z),
                                 static_cast<float>(mesh.U[v]), static_cast<float>(mesh.V[v])};
        for (int k = 0; k < 8; ++k)
            b.F32(at + 4 * k, values[k]);
    }
}

void WriteIndices(Block& b, const SdkMeshLayout& l, const TriMesh& mesh)
{
    for (std::uint32_t i = 0; i < l.IndexCount; ++i)
        if (l.WideIndices)
            b.U32(static_cast<size_t>(l.IndexData + 4ULL * i), mesh.Indices[i]);
        else
            b.U16(static_cast<size_t>(l.IndexData + 2ULL * i), static_cast<std::uint16_t>(mesh.Indices[i]));
}
} // namespace

Bytes EncodeSdkMesh(const TriMesh& mesh, const std::vector<SurfaceMaterial>& materials, const std::string& meshName)
{
    const std::vector<FaceRun> runs = FaceRuns(mesh);
    const SdkMeshLayout layout =
        LayOut(mesh, static_cast<std::uint32_t>(runs.size()), static_cast<std::uint32_t>(materials.size()));
    Block b(static_cast<size_t>(layout.FileSize));
    WriteMainHeader(b, layout);
    WriteVertexBufferHeader(b, layout);
    WriteIndexBufferHeader(b, layout);
    WriteMeshInfo(b, layout, mesh, meshName);
    WriteSubsets(b, layout, runs, materials, meshName);
    WriteFrame(b, layout, meshName);
    WriteMaterials(b, layout, materials);
    WriteVertices(b, layout, mesh);
    WriteIndices(b, layout, mesh);
    return b.Data();
}

void Image::Set(int x, int y, double r, double g, double b)
{
    auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0)); };
    size_t at = (static_cast<size_t>(y) * Width + x) * 3;
    Rgb[at] = byte(r);
    Rgb[at + 1] = byte(g);
    Rgb[at + 2] = byte(b);
}

Bytes EncodeBmp24(const Image& image)
{
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.Width) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.Height);
    Block b(54 + pixelBytes);
    b.U8(0, 'B');
    b.U8(1, 'M');
    b.U32(2, 54 + pixelBytes);
    b.U32(10, 54);
    b.U32(14, 40); // BITMAPINFOHEADER
    b.U32(18, static_cast<std::uint32_t>(image.Width));
    b.U32(22, static_cast<std::uint32_t>(image.Height)); // positive: bottom row first
    b.U16(26, 1);
    b.U16(28, 24);
    b.U32(30, 0); // BI_RGB
    b.U32(34, pixelBytes);
    b.U32(38, 2835); // 72 dpi
    b.U32(42, 2835);
    for (int y = 0; y < image.Height; ++y)
    {
        size_t row = 54 + static_cast<size_t>(image.Height - 1 - y) * rowBytes;
        for (int x = 0; x < image.Width; ++x)
        {
            size_t from = (static_cast<size_t>(y) * image.Width + x) * 3;
            b.U8(row + 3 * x, image.Rgb[from + 2]); // stored blue, green, red
            b.U8(row + 3 * x + 1, image.Rgb[from + 1]);
            b.U8(row + 3 * x + 2, image.Rgb[from]);
        }
    }
    return b.Data();
}
} // namespace Assets
