#pragma once
// The .sdkmesh layout (version 101) as this loader reads it, and every check the loader makes
// on a file: each read stays inside the file image and inside the tables, nothing is allocated
// before the file has shown to hold it, no more bytes are copied than the file has, and mesh 0
// is built only from counts that its data supplies. Plain C++ without Direct3D, so that it is
// built natively, tested under sanitizers and fuzzed (CheckImage).
//
// All records are byte-exact images of the file (little-endian, natural alignment); the static
// asserts below pin every field the loader reads. Fields named NotRead* are there only to keep
// the layout.
#include <cstddef>
#include <cstdint>

struct MainHeader
{
    std::uint32_t Version;
    std::uint8_t IsBigEndian;
    std::uint8_t Padding[3];
    std::uint64_t NotRead[3];
    std::uint32_t VertexBufferCount;
    std::uint32_t IndexBufferCount;
    std::uint32_t MeshCount;
    std::uint32_t TotalSubsetCount;
    std::uint32_t FrameRecordCount;
    std::uint32_t MaterialCount;
    std::uint64_t VertexBufferHeadersOffset;
    std::uint64_t IndexBufferHeadersOffset;
    std::uint64_t MeshInfosOffset;
    std::uint64_t SubsetsOffset;
    std::uint64_t FramesOffset;
    std::uint64_t MaterialsOffset;
};

// Byte for byte a D3DVERTEXELEMENT9.
struct VertexElement
{
    std::uint16_t Stream;
    std::uint16_t Offset;
    std::uint8_t Type;
    std::uint8_t Method;
    std::uint8_t Usage;
    std::uint8_t UsageIndex;
};

struct VertexBufferHeader
{
    std::uint64_t VertexCount;
    std::uint64_t SizeBytes;
    std::uint64_t NotRead;
    VertexElement Declaration[32];
    std::uint64_t DataOffset;
};

struct IndexBufferHeader
{
    std::uint64_t IndexCount;
    std::uint64_t SizeBytes;
    std::uint32_t IndexType; // 0: 16-bit, anything else: 32-bit
    std::uint32_t Padding;
    std::uint64_t DataOffset;
};

struct MeshInfo
{
    std::uint8_t NotRead0[104];
    std::uint32_t FirstVertexBuffer;
    std::uint8_t NotRead1[60];
    std::uint32_t IndexBuffer;
    std::uint32_t SubsetCount;
    std::uint32_t FrameInfluenceCount;
    std::uint8_t NotRead2[28];
    std::uint64_t SubsetListOffset;
    std::uint64_t FrameInfluenceListOffset;
};

struct SubsetRecord
{
    std::uint8_t NotRead0[100];
    std::uint32_t MaterialId;
    std::uint8_t NotRead1[16];
    std::uint64_t IndexCount; // the one 64-bit field used whole
    std::uint8_t NotRead2[16];
};

// Kept, never interpreted.
struct FrameRecord
{
    std::uint64_t Data[23];
};

// Real files place materials 1256 bytes apart: after the specular power the published format
// keeps six 64-bit slots for run-time texture pointers. They are part of the record and never read.
struct MaterialRecord
{
    std::uint8_t NotRead0[360];
    char DiffuseTexture[260];
    char NormalTexture[260];
    char SpecularTexture[260];
    float MaterialColors[17]; // a D3DMATERIAL9: diffuse, ambient, specular, emissive RGBA, power
    std::uint8_t RuntimeSlots[48];
};

static_assert(sizeof(MainHeader) == 104, "MainHeader layout");
static_assert(offsetof(MainHeader, VertexBufferCount) == 32, "MainHeader layout");
static_assert(offsetof(MainHeader, MaterialCount) == 52, "MainHeader layout");
static_assert(offsetof(MainHeader, VertexBufferHeadersOffset) == 56, "MainHeader layout");
static_assert(offsetof(MainHeader, MaterialsOffset) == 96, "MainHeader layout");
static_assert(sizeof(VertexElement) == 8, "VertexElement layout");
static_assert(sizeof(VertexBufferHeader) == 288, "VertexBufferHeader layout");
static_assert(offsetof(VertexBufferHeader, Declaration) == 24, "VertexBufferHeader layout");
static_assert(offsetof(VertexBufferHeader, DataOffset) == 280, "VertexBufferHeader layout");
static_assert(sizeof(IndexBufferHeader) == 32, "IndexBufferHeader layout");
static_assert(offsetof(IndexBufferHeader, IndexType) == 16, "IndexBufferHeader layout");
static_assert(offsetof(IndexBufferHeader, DataOffset) == 24, "IndexBufferHeader layout");
static_assert(sizeof(MeshInfo) == 224, "MeshInfo layout");
static_assert(offsetof(MeshInfo, FirstVertexBuffer) == 104, "MeshInfo layout");
static_assert(offsetof(MeshInfo, IndexBuffer) == 168, "MeshInfo layout");
static_assert(offsetof(MeshInfo, FrameInfluenceCount) == 176, "MeshInfo layout");
static_assert(offsetof(MeshInfo, SubsetListOffset) == 208, "MeshInfo layout");
static_assert(offsetof(MeshInfo, FrameInfluenceListOffset) == 216, "MeshInfo layout");
static_assert(sizeof(SubsetRecord) == 144, "SubsetRecord layout");
static_assert(offsetof(SubsetRecord, MaterialId) == 100, "SubsetRecord layout");
static_assert(offsetof(SubsetRecord, IndexCount) == 120, "SubsetRecord layout");
static_assert(sizeof(FrameRecord) == 184, "FrameRecord layout");
static_assert(sizeof(MaterialRecord) == 1256, "MaterialRecord layout");
static_assert(offsetof(MaterialRecord, DiffuseTexture) == 360, "MaterialRecord layout");
static_assert(offsetof(MaterialRecord, NormalTexture) == 620, "MaterialRecord layout");
static_assert(offsetof(MaterialRecord, SpecularTexture) == 880, "MaterialRecord layout");
static_assert(offsetof(MaterialRecord, MaterialColors) == 1140, "MaterialRecord layout");

namespace SdkMeshFormat
{
constexpr std::uint32_t SupportedVersion = 101;
constexpr std::uint32_t MaxDeclarationElements = 32;
constexpr std::uint32_t TextureNameSize = 260;

// Offsets, byte sizes and buffer element counts count by their low 32 bits only.
inline std::uint32_t Low32(std::uint64_t value)
{
    return static_cast<std::uint32_t>(value & 0xFFFFFFFFu);
}

// Everything a load copies out of a file: the header, six tables and four sets of blocks, each
// owned here (from ::operator new[], freed by Free). All null and zero when nothing is loaded.
struct Tables
{
    MainHeader Header = {};
    VertexBufferHeader* VertexBufferHeaders = nullptr;
    IndexBufferHeader* IndexBufferHeaders = nullptr;
    MeshInfo* MeshInfos = nullptr;
    SubsetRecord* Subsets = nullptr;
    FrameRecord* Frames = nullptr;
    MaterialRecord* MaterialRecords = nullptr; // 1256 bytes apart, as real files are
    std::uint8_t** VertexData = nullptr;
    std::uint8_t** IndexData = nullptr;
    std::uint32_t** MeshSubsetLists = nullptr;
    std::uint32_t** MeshFrameInfluenceLists = nullptr;
    // Bytes copied out of the file so far, header included: never more than the file holds.
    std::uint64_t CopiedBytes = 0;
};

// True when count records of recordSize bytes add up to at most 0xFFFFFFFF bytes.
bool TableBytes(std::uint64_t count, std::uint64_t recordSize, std::uint32_t& bytes);

// True when the size bytes at offset lie wholly inside the image; an empty block always does.
bool InsideImage(std::uint64_t imageSize, std::uint64_t offset, std::uint64_t size);

// Copies size bytes at offset out of the image. Fails, copying nothing, when the block does not
// lie wholly inside the image. An empty block always succeeds and reads nothing.
bool CopyBlock(const void* image, std::uint64_t imageSize, std::uint64_t offset, std::uint64_t size, void* destination);

enum HeaderStatus
{
    HeaderOk,
    HeaderCopyFailed, // fewer than 104 bytes, or no image
    HeaderBadVersion,
    HeaderBigEndian,
};

// Copies the first 104 bytes into header, then checks the version before the byte order.
HeaderStatus ReadMainHeader(const void* image, std::uint64_t imageSize, MainHeader& header);

// The ten section steps of a load, in the order the loader runs them after the header.
enum Section
{
    SectionVertexBuffersHeaders,
    SectionIndexBuffersHeaders,
    SectionMeshInfo,
    SectionSubsets,
    SectionFrames,
    SectionMaterials,
    SectionVertexBuffers,
    SectionIndexBuffers,
    SectionMeshesSubsets,
    SectionMeshesFrameInfluences,
    SectionCount
};

enum SectionFault
{
    SectionOk,
    SectionNoMemory,     // the table or block array: above 32 bits of bytes, or no memory
    SectionItemNoMemory, // one block of the array: above 32 bits of bytes, or no memory
    SectionOutside,      // a table or block does not lie wholly inside the file
    SectionOverlap,      // more bytes to copy than the file holds: blocks overlap
};

// One section step: checks that the file holds the section, then allocates and copies it into
// tables. The header and the sections before it must have been loaded. Nothing is allocated
// for a table or block that the file does not hold; blocks filled before a failure stay for Free.
SectionFault LoadSection(Tables& tables, const void* image, std::uint64_t imageSize, Section section);

// Frees every table and block and zeroes the header (blocks by the header's counts).
void Free(Tables& tables);

// Number of elements before the end marker (a stream of 0xFF, as D3DX counts it), or false when
// none of the 32 elements ends the declaration.
bool DeclarationLength(const VertexElement* declaration, std::uint32_t& length);

// Bytes per vertex of stream 0, as D3DX sizes a declaration; false without an end marker or
// with an element type D3DX does not know.
bool DeclarationVertexSize(const VertexElement* declaration, std::uint32_t& size);

// A texture name field as a zero-terminated string: a field without a zero byte is cut at 260.
void TextureName(const char (&field)[TextureNameSize], char (&name)[TextureNameSize + 1]);

// What keeps mesh 0 from being built from consistent data without reading outside a table.
enum MeshCheck
{
    MeshCheckOk,
    MeshCheckNoMesh,              // MeshCount is 0
    MeshCheckVertexBufferOutside, // FirstVertexBuffer is not below VertexBufferCount
    MeshCheckIndexBufferOutside,  // IndexBuffer is not below IndexBufferCount
    MeshCheckBadDeclaration,      // no end marker in 32 elements, or an unknown element type
    MeshCheckSubsetOutside,       // a subset-list entry is not below TotalSubsetCount
    MeshCheckMaterialOutside,     // a listed subset's MaterialId is not below MaterialCount
    MeshCheckVertexDataShort,     // fewer bytes than VertexCount vertices of the declaration
    MeshCheckIndexDataShort,      // fewer bytes than the indices of IndexCount / 3 faces
    MeshCheckIndexOutside,        // an index of those faces is not below VertexCount
};

// Checks mesh 0 against fully loaded tables.
MeshCheck CheckMesh0(const Tables& tables);

// Tags consecutive runs of faces from face 0 in list order, each subset IndexCount / 3 faces of
// its MaterialId; faces past faceCount are dropped. Faces no subset covers get attribute 0.
// Returns the number of faces the subsets asked for (64-bit: it may exceed faceCount).
std::uint64_t TagFaces(std::uint32_t* attributes, std::uint32_t faceCount, const std::uint32_t* subsetList,
                       std::uint32_t subsetCount, const SubsetRecord* subsets);

// True when each of count indices (16- or 32-bit) is below vertexCount.
bool IndicesInRange(const void* indices, bool wide, std::uint32_t count, std::uint32_t vertexCount);

// Where a load of an image stopped.
enum ImageStage
{
    ImageHeader,  // Code: a HeaderStatus
    ImageSection, // Section: which; Code: a SectionFault
    ImageMesh0,   // Code: a MeshCheck
    ImageTagging, // Code: 1 when the attribute array could not be had
    ImageAccepted,
};

struct ImageResult
{
    ImageStage Stage;
    int Section;
    int Code;
};

// The one order of a load after the file is read: the header, then the ten sections in Section
// order, up to the first that fails (Stage ImageHeader or ImageSection; else ImageAccepted).
// Tables that hold an earlier load are freed first; what this load filled before a failure
// stays for Free. Mesh_SDKMesh::LoadSections is this with its log entries.
ImageResult LoadTables(Tables& tables, const void* image, std::uint64_t imageSize);

// The material of mesh 0's k-th subset; mesh 0 must have passed CheckMesh0.
const MaterialRecord& Mesh0Material(const Tables& tables, std::uint32_t k);

// A material's texture names in the order a load appends their textures: diffuse, specular,
// normal (an empty name: no texture).
constexpr std::uint32_t MaterialTextureCount = 3;
void TextureNames(const MaterialRecord& record, char (&names)[MaterialTextureCount][TextureNameSize + 1]);

// What LoadMesh runs on a file image, without the device: LoadTables, CheckMesh0, then what
// building mesh 0 reads of the tables (the face tags, and each subset's material and texture
// names through Mesh0Material and TextureNames). Everything allocated is freed before it returns.
ImageResult CheckImage(const void* image, std::uint64_t imageSize);
} // namespace SdkMeshFormat
