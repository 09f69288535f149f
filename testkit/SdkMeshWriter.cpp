#include "SdkMeshWriter.h"

#include <cstring>

namespace SdkWriter
{
namespace
{
void PutElement(std::vector<std::uint8_t>& bytes, std::size_t at, const Element& e)
{
    bytes[at] = static_cast<std::uint8_t>(e.Stream & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(e.Stream >> 8);
    bytes[at + 2] = static_cast<std::uint8_t>(e.Offset & 0xFF);
    bytes[at + 3] = static_cast<std::uint8_t>(e.Offset >> 8);
    bytes[at + 4] = e.Type;
    bytes[at + 5] = e.Method;
    bytes[at + 6] = e.Usage;
    bytes[at + 7] = e.UsageIndex;
}

void PutText(std::vector<std::uint8_t>& bytes, std::size_t at, const std::string& text)
{
    std::memcpy(&bytes[at], text.data(), text.size() < 260 ? text.size() : 260);
}

void PutFloat(std::vector<std::uint8_t>& bytes, std::size_t at, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    Put32(bytes, at, bits);
}

std::uint32_t Append(std::vector<std::uint8_t>& bytes, const void* data, std::size_t size)
{
    // Blocks start on 8-byte boundaries, as the published writer places them.
    while (bytes.size() % 8)
        bytes.push_back(0xCD);
    const std::uint32_t at = static_cast<std::uint32_t>(bytes.size());
    const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
    return at;
}
} // namespace

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Put64(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t(bytes[at + i]) << (8 * i);
    return value;
}

std::vector<Element> StaticDeclaration()
{
    return {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 3, 0}, {0, 24, 1, 0, 5, 0}};
}

std::vector<Element> PositionTexDeclaration()
{
    return {{0, 0, 2, 0, 0, 0}, {0, 12, 1, 0, 5, 0}};
}

std::vector<std::uint8_t> Build(const File& file, Layout* layoutOut)
{
    Layout layout;
    std::vector<std::uint8_t> bytes(HeaderSize, 0);
    const std::uint32_t vbCount = static_cast<std::uint32_t>(file.VertexBuffers.size());
    const std::uint32_t ibCount = static_cast<std::uint32_t>(file.IndexBuffers.size());
    const std::uint32_t meshCount = static_cast<std::uint32_t>(file.Meshes.size());
    const std::uint32_t subsetCount = static_cast<std::uint32_t>(file.Subsets.size());
    const std::uint32_t materialCount = static_cast<std::uint32_t>(file.Materials.size());

    Put32(bytes, 0, file.Version);
    bytes[4] = file.IsBigEndian;
    Put64(bytes, 8, 0x1111111111111111ull); // the three values nobody reads
    Put64(bytes, 16, 0x2222222222222222ull);
    Put64(bytes, 24, 0x3333333333333333ull);
    Put32(bytes, 32, vbCount);
    Put32(bytes, 36, ibCount);
    Put32(bytes, 40, meshCount);
    Put32(bytes, 44, subsetCount);
    Put32(bytes, 48, file.FrameCount);
    Put32(bytes, 52, materialCount);

    // Tables straight after the header, in the order the loader reads them.
    std::uint32_t at = HeaderSize;
    layout.VertexBufferHeaders = at;
    at += vbCount * VertexBufferHeaderSize;
    layout.IndexBufferHeaders = at;
    at += ibCount * IndexBufferHeaderSize;
    layout.Meshes = at;
    at += meshCount * MeshSize;
    layout.Subsets = at;
    at += subsetCount * SubsetSize;
    layout.Frames = at;
    at += file.FrameCount * FrameSize;
    layout.Materials = at;
    at += materialCount * MaterialSize;
    bytes.resize(at, 0);
    Put64(bytes, 56, layout.VertexBufferHeaders);
    Put64(bytes, 64, layout.IndexBufferHeaders);
    Put64(bytes, 72, layout.Meshes);
    Put64(bytes, 80, layout.Subsets);
    Put64(bytes, 88, layout.Frames);
    Put64(bytes, 96, layout.Materials);

    for (std::uint32_t f = 0; f < file.FrameCount; ++f)
        for (std::uint32_t b = 0; b < FrameSize; ++b)
            bytes[layout.Frames + f * FrameSize + b] = static_cast<std::uint8_t>(f + b);

    for (std::uint32_t i = 0; i < subsetCount; ++i)
    {
        const std::size_t rec = layout.Subsets + i * SubsetSize;
        std::memset(&bytes[rec], 0xAB, SubsetSize); // unread bytes hold noise
        Put32(bytes, rec + 100, file.Subsets[i].MaterialId);
        Put64(bytes, rec + 120, file.Subsets[i].IndexCount);
    }

    for (std::uint32_t i = 0; i < materialCount; ++i)
    {
        const Material& m = file.Materials[i];
        const std::size_t rec = layout.Materials + i * MaterialSize;
        std::memset(&bytes[rec], 0x5A, 360);
        PutText(bytes, rec + 360, m.Diffuse);
        PutText(bytes, rec + 620, m.Normal);
        PutText(bytes, rec + 880, m.Specular);
        for (int c = 0; c < 17; ++c)
            PutFloat(bytes, rec + 1140 + 4 * c, m.Colors[c]);
        std::memset(&bytes[rec + 1208], 0xEE, 48); // run-time pointer slots
    }

    // Per-mesh lists, then the data blocks.
    for (std::uint32_t i = 0; i < meshCount; ++i)
    {
        const MeshRecord& m = file.Meshes[i];
        const std::uint32_t list = Append(bytes, m.Subsets.data(), m.Subsets.size() * 4);
        const std::uint32_t frames = Append(bytes, m.FrameInfluences.data(), m.FrameInfluences.size() * 4);
        layout.SubsetLists.push_back(list);
        layout.FrameInfluenceLists.push_back(frames);
        const std::size_t rec = layout.Meshes + i * MeshSize;
        std::memset(&bytes[rec], 0x77, 104);
        Put32(bytes, rec + 104, m.FirstVertexBuffer);
        Put32(bytes, rec + 168, m.IndexBuffer);
        Put32(bytes, rec + 172, static_cast<std::uint32_t>(m.Subsets.size()));
        Put32(bytes, rec + 176, static_cast<std::uint32_t>(m.FrameInfluences.size()));
        Put64(bytes, rec + 208, list);
        Put64(bytes, rec + 216, frames);
    }
    for (std::uint32_t i = 0; i < vbCount; ++i)
    {
        const VertexBuffer& vb = file.VertexBuffers[i];
        const std::uint32_t data = Append(bytes, vb.Data.data(), vb.Data.size());
        layout.VertexData.push_back(data);
        const std::size_t rec = layout.VertexBufferHeaders + i * VertexBufferHeaderSize;
        Put64(bytes, rec, vb.VertexCount);
        Put64(bytes, rec + 8, vb.Data.size() | (vb.SizeBytesHigh << 32));
        Put64(bytes, rec + 16, 0x4444444444444444ull);
        std::size_t e = 0;
        for (; e < vb.Declaration.size() && e < 32; ++e)
            PutElement(bytes, rec + 24 + 8 * e, vb.Declaration[e]);
        if (!vb.OmitEnd && e < 32)
            PutElement(bytes, rec + 24 + 8 * e, Element{0xFF, 0, 17, 0, 0, 0});
        Put64(bytes, rec + 280, data);
    }
    for (std::uint32_t i = 0; i < ibCount; ++i)
    {
        const IndexBuffer& ib = file.IndexBuffers[i];
        const std::uint32_t data = Append(bytes, ib.Data.data(), ib.Data.size());
        layout.IndexData.push_back(data);
        const std::size_t rec = layout.IndexBufferHeaders + i * IndexBufferHeaderSize;
        Put64(bytes, rec, ib.IndexCount);
        Put64(bytes, rec + 8, ib.Data.size());
        Put32(bytes, rec + 16, ib.IndexType);
        Put32(bytes, rec + 20, 0x99999999u);
        Put64(bytes, rec + 24, data);
    }
    if (layoutOut)
        *layoutOut = layout;
    return bytes;
}

VertexBuffer GridVertices(std::uint32_t columns, std::uint32_t rows)
{
    VertexBuffer vb;
    vb.Declaration = StaticDeclaration();
    vb.VertexCount = std::uint64_t(columns + 1) * (rows + 1);
    for (std::uint32_t y = 0; y <= rows; ++y)
        for (std::uint32_t x = 0; x <= columns; ++x)
        {
            // Normals deliberately wrong: the loader recomputes them.
            const float v[8] = {float(x), float(y), 0.0f, 1.0f, 1.0f, 1.0f, float(x) / columns, float(y) / rows};
            const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(v);
            vb.Data.insert(vb.Data.end(), p, p + sizeof(v));
        }
    return vb;
}

IndexBuffer GridIndices(std::uint32_t columns, std::uint32_t rows, bool wide)
{
    IndexBuffer ib;
    ib.IndexType = wide ? 1 : 0;
    std::vector<std::uint32_t> indices;
    for (std::uint32_t y = 0; y < rows; ++y)
        for (std::uint32_t x = 0; x < columns; ++x)
        {
            const std::uint32_t a = y * (columns + 1) + x, b = a + 1, c = a + columns + 1, d = c + 1;
            const std::uint32_t quad[6] = {a, c, b, b, c, d};
            indices.insert(indices.end(), quad, quad + 6);
        }
    ib.IndexCount = indices.size();
    for (std::uint32_t index : indices)
    {
        const int width = wide ? 4 : 2;
        for (int i = 0; i < width; ++i)
            ib.Data.push_back(static_cast<std::uint8_t>(index >> (8 * i)));
    }
    return ib;
}

File GridFile(std::uint32_t columns, std::uint32_t rows, bool wide)
{
    File file;
    file.VertexBuffers.push_back(GridVertices(columns, rows));
    file.IndexBuffers.push_back(GridIndices(columns, rows, wide));
    file.Meshes.push_back(MeshRecord());
    return file;
}

File FullFile()
{
    File file = GridFile(2, 1, false);
    file.Subsets.push_back({0, 12});
    file.Materials.push_back(Material());
    file.FrameCount = 1;
    file.Meshes[0].Subsets = {0};
    file.Meshes[0].FrameInfluences = {0};
    return file;
}

std::uint32_t Random::Next()
{
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
}

std::uint32_t Random::Below(std::uint32_t n)
{
    return n ? Next() % n : 0;
}

std::vector<Field> Fields(const File& file, const Layout& layout)
{
    std::vector<Field> fields;
    for (std::size_t at = 32; at < 56; at += 4)
        fields.push_back({at, 4});
    for (std::size_t at = 56; at < 104; at += 8)
        fields.push_back({at, 8});
    for (std::size_t i = 0; i < file.VertexBuffers.size(); ++i)
    {
        const std::size_t r = layout.VertexBufferHeaders + 288 * i;
        fields.insert(fields.end(),
                      {{r, 8}, {r + 8, 8}, {r + 280, 8}, {r + 24, 4}, {r + 28, 4}, {r + 48, 4}, {r + 52, 4}});
    }
    for (std::size_t i = 0; i < file.IndexBuffers.size(); ++i)
    {
        const std::size_t r = layout.IndexBufferHeaders + 32 * i;
        fields.insert(fields.end(), {{r, 8}, {r + 8, 8}, {r + 16, 4}, {r + 24, 8}});
    }
    for (std::size_t i = 0; i < file.Meshes.size(); ++i)
    {
        const std::size_t r = layout.Meshes + 224 * i;
        fields.insert(fields.end(),
                      {{r + 104, 4}, {r + 168, 4}, {r + 172, 4}, {r + 176, 4}, {r + 208, 8}, {r + 216, 8}});
    }
    for (std::size_t i = 0; i < file.Subsets.size(); ++i)
    {
        const std::size_t r = layout.Subsets + 144 * i;
        fields.insert(fields.end(), {{r + 100, 4}, {r + 120, 8}});
    }
    for (std::size_t i = 0; i < file.Meshes.size(); ++i)
        if (!file.Meshes[i].Subsets.empty())
            fields.push_back({layout.SubsetLists[i], 4});
    for (std::size_t i = 0; i < file.IndexBuffers.size(); ++i)
        if (!file.IndexBuffers[i].Data.empty())
            fields.push_back({layout.IndexData[i], file.IndexBuffers[i].IndexType ? 4 : 2});
    return fields;
}

std::vector<std::uint8_t> Mutate(const std::vector<std::uint8_t>& good, const std::vector<Field>& fields,
                                 Random& random)
{
    std::vector<std::uint8_t> image = good;
    const std::uint32_t size = static_cast<std::uint32_t>(image.size());
    switch (random.Below(4))
    {
    case 0:
        image.resize(random.Below(size));
        break;
    case 1:
        for (std::uint32_t i = 0, n = 1 + random.Below(8); i < n; ++i)
            image[random.Below(size)] ^= static_cast<std::uint8_t>(1 + random.Below(255));
        break;
    default:
    {
        const Field& field = fields[random.Below(static_cast<std::uint32_t>(fields.size()))];
        const std::uint64_t values[] = {0,
                                        1,
                                        2,
                                        3,
                                        size - 1u,
                                        size,
                                        size + 1u,
                                        0x7FFFu,
                                        0xFFFFu,
                                        0x7FFFFFFFu,
                                        0xFFFFFFFFu,
                                        0x10000u,
                                        0x3FFFFFFFu,
                                        0x100000000ull,
                                        random.Next(),
                                        random.Below(size),
                                        0xFFFFFFFFFFFFFFFFull};
        const std::uint64_t value = values[random.Below(sizeof(values) / sizeof(values[0]))];
        if (field.Width == 2)
        {
            image[field.At] = static_cast<std::uint8_t>(value);
            image[field.At + 1] = static_cast<std::uint8_t>(value >> 8);
        }
        else if (field.Width == 4)
            Put32(image, field.At, static_cast<std::uint32_t>(value));
        else
            Put64(image, field.At, value);
        break;
    }
    }
    return image;
}
} // namespace SdkWriter
