// The encoders on small hand-made meshes and images: .x text and binary, .sdkmesh records,
// BMP bytes.
#include "tools/AssetGenerator/Assets.h"
#include "tools/AssetGenerator/Writers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <charconv>
#include <cstring>
#include <sstream>

using namespace Assets;

namespace
{
std::uint32_t U32(const Bytes& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint64_t U64(const Bytes& b, size_t at)
{
    return U32(b, at) | (static_cast<std::uint64_t>(U32(b, at + 4)) << 32);
}
std::uint16_t U16(const Bytes& b, size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
float F32(const Bytes& b, size_t at)
{
    std::uint32_t bits = U32(b, at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
std::string Text(const Bytes& b, size_t at)
{
    return std::string(reinterpret_cast<const char*>(&b[at]));
}

// Two triangles sharing an edge (a quad in z = 0), face 0 on attribute `a0`, face 1 on `a1`.
TriMesh Quad(std::uint32_t a0, std::uint32_t a1)
{
    TriMesh m;
    m.Positions = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    m.Normals = {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}, {0, 0, -1}};
    m.U = {0.0, 0.0, 1.0, 1.0};
    m.V = {1.0, 0.0, 0.0, 1.0};
    m.Indices = {0, 1, 2, 0, 2, 3};
    m.Attributes = {a0, a1};
    return m;
}

SurfaceMaterial Material(const char* name, float red, const char* texture)
{
    SurfaceMaterial m;
    m.Name = name;
    m.Diffuse = {red, 0.25f, 0.5f, 1.0f};
    m.Ambient = {0.1f, 0.2f, 0.3f, 1.0f};
    m.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
    m.Emissive = {0.0f, 0.0f, 0.125f, 1.0f};
    m.Power = 16.0f;
    m.DiffuseTexture = texture;
    return m;
}
} // namespace

TEST(AssetWriters, FormatFloat_AlwaysWritesSixDecimalsAndAPoint)
{
    EXPECT_EQ("0.000000", FormatFloat(0.0));
    EXPECT_EQ("2.000000", FormatFloat(2.0));
    EXPECT_EQ("-1.500000", FormatFloat(-1.5));
    EXPECT_EQ("150.000000", FormatFloat(150.0));
    EXPECT_EQ("0.333333", FormatFloat(1.0 / 3.0));
    EXPECT_EQ("-0.666667", FormatFloat(-2.0 / 3.0));
    EXPECT_EQ("0.000001", FormatFloat(0.0000007));
    EXPECT_EQ("0.000000", FormatFloat(-0.0000004)) << "no negative zero";
    EXPECT_EQ("0.000000", FormatFloat(-0.0));
}

TEST(AssetWriters, EncodeXFile_WritesTheWholeMeshInTextForm)
{
    std::string text = EncodeXFile(Quad(1, 0), {Material("Red", 1.0f, ""), Material("Tex", 0.5f, "a.bmp")}, "Q");
    const std::string expected = "xof 0303txt 0032\n\n"
                                 "Mesh Q {\n"
                                 " 4;\n"
                                 " 0.000000;0.000000;0.000000;,\n"
                                 " 0.000000;1.000000;0.000000;,\n"
                                 " 1.000000;1.000000;0.000000;,\n"
                                 " 1.000000;0.000000;0.000000;;\n"
                                 " 2;\n"
                                 " 3;0,1,2;,\n"
                                 " 3;0,2,3;;\n"
                                 "\n MeshTextureCoords {\n"
                                 "  4;\n"
                                 "  0.000000;1.000000;,\n"
                                 "  0.000000;0.000000;,\n"
                                 "  1.000000;0.000000;,\n"
                                 "  1.000000;1.000000;;\n"
                                 " }\n"
                                 "\n MeshMaterialList {\n"
                                 "  2;\n"
                                 "  2;\n"
                                 "  1,\n"
                                 "  0;\n"
                                 "\n  Material Red {\n"
                                 "   1.000000;0.250000;0.500000;1.000000;;\n"
                                 "   16.000000;\n"
                                 "   0.500000;0.500000;0.500000;;\n"
                                 "   0.000000;0.000000;0.125000;;\n"
                                 "  }\n"
                                 "\n  Material Tex {\n"
                                 "   0.500000;0.250000;0.500000;1.000000;;\n"
                                 "   16.000000;\n"
                                 "   0.500000;0.500000;0.500000;;\n"
                                 "   0.000000;0.000000;0.125000;;\n"
                                 "   TextureFilename {\n"
                                 "    \"a.bmp\";\n"
                                 "   }\n"
                                 "  }\n"
                                 " }\n"
                                 "}\n";
    EXPECT_EQ(expected, text);
}

namespace
{
// What an .x file says, without its encoding: names, integers, floats, strings and braces in
// order ("N:Mesh", "I:4", "F:0.5", "S:a.bmp", "{", "}"). Separators carry nothing.
using XItems = std::vector<std::string>;

std::string FloatItem(float f)
{
    std::ostringstream out;
    out.precision(9);
    out << "F:" << f;
    return out.str();
}

XItems ReadTextX(const std::string& text)
{
    XItems items;
    size_t at = text.find('\n'); // after the header
    while (at < text.size())
    {
        const char c = text[at];
        if (c == '{' || c == '}')
        {
            items.push_back(std::string(1, c));
            ++at;
        }
        else if (c == '"')
        {
            const size_t end = text.find('"', at + 1);
            items.push_back("S:" + text.substr(at + 1, end - at - 1));
            at = end + 1;
        }
        else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_')
        {
            size_t end = at;
            while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
                ++end;
            items.push_back("N:" + text.substr(at, end - at));
            at = end;
        }
        else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-')
        {
            size_t end = at + 1;
            while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.'))
                ++end;
            const std::string number = text.substr(at, end - at);
            if (number.find('.') == std::string::npos)
                items.push_back("I:" + number);
            else
            {
                float f = 0.0f;
                std::from_chars(number.data(), number.data() + number.size(), f);
                items.push_back(FloatItem(f));
            }
            at = end;
        }
        else
            ++at; // blanks, ';' and ','
    }
    return items;
}

// Every token of the binary encoding that the writer uses; anything else is an "?" item.
XItems ReadBinaryX(const Bytes& b)
{
    XItems items;
    size_t at = 16;
    while (at + 2 <= b.size())
    {
        const std::uint16_t token = U16(b, at);
        at += 2;
        if (token == XToken::Name || token == XToken::String)
        {
            const std::uint32_t count = U32(b, at);
            items.push_back((token == XToken::Name ? "N:" : "S:") +
                            std::string(reinterpret_cast<const char*>(&b[at + 4]), count));
            at += 4 + count;
            if (token == XToken::String)
                at += 2; // its terminator
        }
        else if (token == XToken::IntegerList || token == XToken::FloatList)
        {
            const std::uint32_t count = U32(b, at);
            at += 4;
            for (std::uint32_t i = 0; i < count; ++i, at += 4)
                items.push_back(token == XToken::IntegerList ? "I:" + std::to_string(U32(b, at))
                                                             : FloatItem(F32(b, at)));
        }
        else if (token == XToken::OpenBrace || token == XToken::CloseBrace)
            items.push_back(token == XToken::OpenBrace ? "{" : "}");
        else
            items.push_back("?" + std::to_string(token));
    }
    return items;
}
} // namespace

TEST(AssetWriters, EncodeXFileBinary_SaysWhatTheTextSays)
{
    struct Case
    {
        std::string Name;
        TriMesh Mesh;
        std::vector<SurfaceMaterial> Materials;
    };
    std::vector<Case> cases = {{"Q", Quad(1, 0), {Material("Red", 1.0f, ""), Material("Tex", 0.5f, "a.bmp")}}};
    for (const XModel& model : XModels())
        cases.push_back({model.Name, model.Mesh, model.Materials});
    for (const Case& c : cases)
    {
        const Bytes binary = EncodeXFileBinary(c.Mesh, c.Materials, c.Name);
        ASSERT_GE(binary.size(), 16u);
        EXPECT_EQ("xof 0303bin 0032", std::string(binary.begin(), binary.begin() + 16)) << c.Name;
        const XItems text = ReadTextX(EncodeXFile(c.Mesh, c.Materials, c.Name));
        EXPECT_GT(text.size(), 40u) << c.Name;
        EXPECT_TRUE(text == ReadBinaryX(binary)) << c.Name;
    }
}

TEST(AssetWriters, EncodeSdkMesh_MainHeaderCountsAndTablesFollowEachOther)
{
    Bytes file = EncodeSdkMesh(Quad(0, 1), {Material("Skin", 1.0f, "s.bmp"), Material("Belly", 0.5f, "b.bmp")}, "L");
    ASSERT_GE(file.size(), 104u);
    EXPECT_EQ(101u, U32(file, 0));
    EXPECT_EQ(0u, file[4]) << "little-endian";
    EXPECT_EQ(104u, U64(file, 8));
    EXPECT_EQ(1u, U32(file, 32)) << "vertex buffers";
    EXPECT_EQ(1u, U32(file, 36)) << "index buffers";
    EXPECT_EQ(1u, U32(file, 40)) << "meshes";
    EXPECT_EQ(2u, U32(file, 44)) << "subsets";
    EXPECT_EQ(1u, U32(file, 48)) << "frames";
    EXPECT_EQ(2u, U32(file, 52)) << "materials";
    const std::uint64_t vb = U64(file, 56), ib = U64(file, 64), meshes = U64(file, 72), subsets = U64(file, 80),
                        frames = U64(file, 88), materials = U64(file, 96);
    EXPECT_EQ(104u, vb);
    EXPECT_EQ(vb + 288, ib);
    EXPECT_EQ(ib + 32, meshes);
    EXPECT_EQ(meshes + 224, subsets);
    EXPECT_EQ(subsets + 2 * 144, frames);
    EXPECT_EQ(frames + 184, materials);
    EXPECT_LE(materials + 2 * 1256, file.size());
    EXPECT_EQ(0u, file.size() % 8);
    // Header sizes of the published format: non-buffer part and buffer part add up to the file.
    EXPECT_EQ(file.size(), 104 + U64(file, 16) + U64(file, 24));
}

TEST(AssetWriters, EncodeSdkMesh_VertexBufferHasThe32ByteDeclarationAndItsData)
{
    TriMesh quad = Quad(0, 0);
    Bytes file = EncodeSdkMesh(quad, {Material("Skin", 1.0f, "")}, "L");
    const size_t vb = static_cast<size_t>(U64(file, 56));
    EXPECT_EQ(4u, U64(file, vb)) << "vertex count";
    EXPECT_EQ(4u * 32u, U64(file, vb + 8)) << "size in bytes";
    EXPECT_EQ(32u, U64(file, vb + 16)) << "stride";
    const std::uint8_t expected[4][8] = {
        {0, 0, 0, 0, 2, 0, 0, 0},    // POSITION float3 at 0
        {0, 0, 12, 0, 2, 0, 3, 0},   // NORMAL float3 at 12
        {0, 0, 24, 0, 1, 0, 5, 0},   // TEXCOORD0 float2 at 24
        {0xFF, 0, 0, 0, 17, 0, 0, 0} // end marker
    };
    for (int e = 0; e < 4; ++e)
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(expected[e][k], file[vb + 24 + 8 * e + k]) << "element " << e << " byte " << k;
    const size_t data = static_cast<size_t>(U64(file, vb + 280));
    EXPECT_EQ(0u, data % 8);
    ASSERT_LE(data + 4 * 32, file.size());
    for (size_t v = 0; v < 4; ++v)
    {
        EXPECT_EQ(static_cast<float>(quad.Positions[v].x), F32(file, data + 32 * v));
        EXPECT_EQ(static_cast<float>(quad.Positions[v].y), F32(file, data + 32 * v + 4));
        EXPECT_EQ(-1.0f, F32(file, data + 32 * v + 20)) << "normal z";
        EXPECT_EQ(static_cast<float>(quad.U[v]), F32(file, data + 32 * v + 24));
        EXPECT_EQ(static_cast<float>(quad.V[v]), F32(file, data + 32 * v + 28));
    }
}

TEST(AssetWriters, EncodeSdkMesh_IndexBufferIs16BitUpTo65535VerticesAnd32BitAbove)
{
    Bytes small = EncodeSdkMesh(Quad(0, 0), {Material("Skin", 1.0f, "")}, "L");
    size_t ib = static_cast<size_t>(U64(small, 64));
    EXPECT_EQ(6u, U64(small, ib));
    EXPECT_EQ(12u, U64(small, ib + 8));
    EXPECT_EQ(0u, U32(small, ib + 16));
    size_t data = static_cast<size_t>(U64(small, ib + 24));
    const std::uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(indices[i], U16(small, data + 2 * i));

    TriMesh big = Quad(0, 0);
    big.Positions.resize(65537, Vec3{0, 0, 0});
    big.Normals.resize(65537, Vec3{0, 1, 0});
    big.U.resize(65537, 0.0);
    big.V.resize(65537, 0.0);
    big.Indices[5] = 65536;
    Bytes wide = EncodeSdkMesh(big, {Material("Skin", 1.0f, "")}, "L");
    ib = static_cast<size_t>(U64(wide, 64));
    EXPECT_EQ(24u, U64(wide, ib + 8));
    EXPECT_EQ(1u, U32(wide, ib + 16));
    data = static_cast<size_t>(U64(wide, ib + 24));
    EXPECT_EQ(65536u, U32(wide, data + 20));
}

TEST(AssetWriters, EncodeSdkMesh_SubsetsCoverConsecutiveFaceRunsWithTheirMaterials)
{
    Bytes file = EncodeSdkMesh(Quad(0, 1), {Material("Skin", 1.0f, "s.bmp"), Material("Belly", 0.5f, "b.bmp")}, "L");
    const size_t mesh = static_cast<size_t>(U64(file, 72));
    EXPECT_EQ("L", Text(file, mesh));
    EXPECT_EQ(0u, U32(file, mesh + 104)) << "first vertex buffer";
    EXPECT_EQ(0u, U32(file, mesh + 168)) << "index buffer";
    EXPECT_EQ(2u, U32(file, mesh + 172)) << "subset count";
    EXPECT_EQ(1u, U32(file, mesh + 176)) << "frame influences";
    const size_t list = static_cast<size_t>(U64(file, mesh + 208));
    EXPECT_EQ(0u, U32(file, list));
    EXPECT_EQ(1u, U32(file, list + 4));
    EXPECT_EQ(0u, U32(file, static_cast<size_t>(U64(file, mesh + 216))));

    const size_t subsets = static_cast<size_t>(U64(file, 80));
    for (std::uint32_t s = 0; s < 2; ++s)
    {
        size_t at = subsets + 144 * s;
        EXPECT_EQ(s, U32(file, at + 100)) << "material id";
        EXPECT_EQ(3u * s, U64(file, at + 112)) << "first index";
        EXPECT_EQ(3u, U64(file, at + 120)) << "index count";
    }
    EXPECT_EQ("Skin", Text(file, subsets));
    EXPECT_EQ("Belly", Text(file, subsets + 144));
}

TEST(AssetWriters, EncodeSdkMesh_MaterialsAre1256BytesApartWithNamesAndColours)
{
    Bytes file = EncodeSdkMesh(Quad(0, 1), {Material("Skin", 1.0f, "s.bmp"), Material("Belly", 0.5f, "b.bmp")}, "L");
    const size_t materials = static_cast<size_t>(U64(file, 96));
    const char* names[2] = {"s.bmp", "b.bmp"};
    const float reds[2] = {1.0f, 0.5f};
    for (size_t m = 0; m < 2; ++m)
    {
        size_t at = materials + 1256 * m;
        EXPECT_EQ(names[m], Text(file, at + 360)) << "diffuse texture";
        EXPECT_EQ("", Text(file, at + 620)) << "normal texture";
        EXPECT_EQ("", Text(file, at + 880)) << "specular texture";
        EXPECT_EQ(reds[m], F32(file, at + 1140));
        EXPECT_EQ(0.25f, F32(file, at + 1144));
        EXPECT_EQ(0.1f, F32(file, at + 1156)) << "ambient red";
        EXPECT_EQ(0.5f, F32(file, at + 1172)) << "specular red";
        EXPECT_EQ(0.125f, F32(file, at + 1196)) << "emissive blue";
        EXPECT_EQ(16.0f, F32(file, at + 1204)) << "power";
        for (size_t k = 1208; k < 1256; ++k)
            EXPECT_EQ(0u, file[at + k]) << "run-time slot byte " << k;
    }
}

TEST(AssetWriters, EncodeSdkMesh_FrameIsAnIdentityRootOwningMesh0)
{
    Bytes file = EncodeSdkMesh(Quad(0, 0), {Material("Skin", 1.0f, "")}, "L");
    const size_t frame = static_cast<size_t>(U64(file, 88));
    EXPECT_EQ(0u, U32(file, frame + 100));
    EXPECT_EQ(0xFFFFFFFFu, U32(file, frame + 104));
    EXPECT_EQ(0xFFFFFFFFu, U32(file, frame + 108));
    EXPECT_EQ(0xFFFFFFFFu, U32(file, frame + 112));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(r == c ? 1.0f : 0.0f, F32(file, frame + 116 + 16 * r + 4 * c));
}

TEST(AssetWriters, EncodeBmp24_HeaderRowsBottomUpBlueGreenRedAndPaddedRows)
{
    Image image(5, 3);
    image.Set(0, 0, 1.0, 0.0, 0.0); // top-left red
    image.Set(4, 2, 0.0, 0.0, 1.0); // bottom-right blue
    image.Set(2, 1, 0.0, 1.0, 2.0); // clamped
    Bytes file = EncodeBmp24(image);
    const size_t row = 16; // 15 bytes padded to 4
    ASSERT_EQ(54 + 3 * row, file.size());
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ('M', file[1]);
    EXPECT_EQ(file.size(), U32(file, 2));
    EXPECT_EQ(54u, U32(file, 10));
    EXPECT_EQ(40u, U32(file, 14));
    EXPECT_EQ(5u, U32(file, 18));
    EXPECT_EQ(3u, U32(file, 22));
    EXPECT_EQ(1u, U16(file, 26));
    EXPECT_EQ(24u, U16(file, 28));
    EXPECT_EQ(0u, U32(file, 30));
    // Bottom image row first: the blue pixel is in the first stored row, as B G R.
    EXPECT_EQ(255u, file[54 + 12]);
    EXPECT_EQ(0u, file[54 + 14]);
    // The top row is stored last.
    EXPECT_EQ(0u, file[54 + 2 * row]);
    EXPECT_EQ(255u, file[54 + 2 * row + 2]);
    EXPECT_EQ(255u, file[54 + row + 6]) << "clamped blue";
    EXPECT_EQ(255u, file[54 + row + 7]) << "green";
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(0u, file[54 + r * row + 15]) << "padding of row " << r;
}
