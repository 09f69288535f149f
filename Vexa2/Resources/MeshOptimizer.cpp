#include "MeshOptimizer.h"

#include "VertexCache.h"

#include <cstdint>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

namespace
{
// Keeps the three buffers of a mesh locked for the length of one rewrite.
class MeshLocks
{
public:
    explicit MeshLocks(ID3DXMesh* mesh) : m_mesh(mesh), Indices(nullptr), Vertices(nullptr), Attributes(nullptr) {}
    ~MeshLocks()
    {
        if (Attributes)
            m_mesh->UnlockAttributeBuffer();
        if (Vertices)
            m_mesh->UnlockVertexBuffer();
        if (Indices)
            m_mesh->UnlockIndexBuffer();
    }
    MeshLocks(const MeshLocks&) = delete;
    MeshLocks& operator=(const MeshLocks&) = delete;

    bool Lock(MeshOptimizerFailure& failure)
    {
        void* data = nullptr;
        HRESULT hr = m_mesh->LockIndexBuffer(0, &data);
        if (FAILED(hr) || !data)
            return Fail(failure, L"LockIndexBuffer()", hr);
        Indices = data;

        data = nullptr;
        hr = m_mesh->LockVertexBuffer(0, &data);
        if (FAILED(hr) || !data)
            return Fail(failure, L"LockVertexBuffer()", hr);
        Vertices = data;

        DWORD* attributes = nullptr;
        hr = m_mesh->LockAttributeBuffer(0, &attributes);
        if (FAILED(hr) || !attributes)
            return Fail(failure, L"LockAttributeBuffer()", hr);
        Attributes = attributes;
        return true;
    }

private:
    static bool Fail(MeshOptimizerFailure& failure, const wchar_t* call, HRESULT hr)
    {
        failure.Call = call;
        failure.Result = FAILED(hr) ? hr : E_POINTER; // a success without data is no success
        return false;
    }

    ID3DXMesh* m_mesh;

public:
    void* Indices;
    void* Vertices;
    DWORD* Attributes;
};

bool StepFailed(MeshOptimizerFailure& failure, const wchar_t* call, HRESULT result)
{
    failure.Call = call;
    failure.Result = result;
    return false;
}

std::vector<std::uint32_t> ReadIndices(const void* data, bool wideIndices, std::size_t indexCount)
{
    std::vector<std::uint32_t> indices(indexCount);
    for (std::size_t i = 0; i < indexCount; ++i)
        indices[i] = wideIndices ? static_cast<const DWORD*>(data)[i] : static_cast<const WORD*>(data)[i];
    return indices;
}

// Faces and their attributes in the new order, indices renumbered.
void WriteFaces(const VertexCache::Plan& plan, const std::vector<std::uint32_t>& indices,
                const std::vector<std::uint32_t>& attributes, bool wideIndices, MeshLocks& locks)
{
    for (std::size_t face = 0; face < plan.FaceOrder.size(); ++face)
    {
        const std::size_t oldFace = plan.FaceOrder[face];
        for (std::size_t corner = 0; corner < 3; ++corner)
        {
            const std::uint32_t index = plan.VertexRemap[indices[oldFace * 3 + corner]];
            if (wideIndices)
                static_cast<DWORD*>(locks.Indices)[face * 3 + corner] = index;
            else
                static_cast<WORD*>(locks.Indices)[face * 3 + corner] = static_cast<WORD>(index);
        }
        locks.Attributes[face] = attributes[oldFace];
    }
}

// Vertices in first-use order.
void WriteVertices(const VertexCache::Plan& plan, std::size_t stride, MeshLocks& locks)
{
    const unsigned char* source = static_cast<const unsigned char*>(locks.Vertices);
    const std::vector<unsigned char> vertices(source, source + plan.VertexOrder.size() * stride);
    unsigned char* target = static_cast<unsigned char*>(locks.Vertices);
    for (std::size_t vertex = 0; vertex < plan.VertexOrder.size(); ++vertex)
        std::memcpy(target + vertex * stride, vertices.data() + std::size_t(plan.VertexOrder[vertex]) * stride, stride);
}

bool Reorder(ID3DXMesh* mesh, DWORD*& adjacency, MeshOptimizerFailure& failure)
{
    const DWORD faceCount = mesh->GetNumFaces();
    const DWORD vertexCount = mesh->GetNumVertices();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    const bool wideIndices = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    // Sizes beyond this platform's address space (or the plan's 32-bit corner numbering): no
    // copy of the buffers can be made, so the step fails as out of memory.
    if (faceCount > 0x3FFFFFFFu || faceCount > SIZE_MAX / 3 / sizeof(std::uint32_t) ||
        (stride != 0 && vertexCount > SIZE_MAX / stride))
        return StepFailed(failure, nullptr, E_OUTOFMEMORY);

    VertexCache::Plan plan;
    {
        MeshLocks locks(mesh);
        if (!locks.Lock(failure))
            return false;
        const std::vector<std::uint32_t> indices =
            ReadIndices(locks.Indices, wideIndices, static_cast<std::size_t>(faceCount) * 3);
        const std::vector<std::uint32_t> attributes(locks.Attributes, locks.Attributes + faceCount);
        if (!VertexCache::BuildPlan(indices.data(), attributes.data(), faceCount, vertexCount, plan))
            return StepFailed(failure, nullptr, E_FAIL);
        WriteFaces(plan, indices, attributes, wideIndices, locks);
        WriteVertices(plan, stride, locks);
    }

    if (adjacency)
    {
        static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "adjacency entries are 32-bit");
        // Left in the old face order it would name the wrong faces: no array is better.
        if (!VertexCache::RemapAdjacency(plan, reinterpret_cast<std::uint32_t*>(adjacency)))
            adjacency = nullptr;
    }

    // After the attribute buffer is unlocked: a write lock drops the table.
    static_assert(sizeof(D3DXATTRIBUTERANGE) == sizeof(VertexCache::Range), "same layout");
    const HRESULT hr = mesh->SetAttributeTable(reinterpret_cast<const D3DXATTRIBUTERANGE*>(plan.Ranges.data()),
                                               static_cast<DWORD>(plan.Ranges.size()));
    if (FAILED(hr))
        return StepFailed(failure, L"SetAttributeTable()", hr);
    return true;
}
} // namespace

bool OptimizeMeshForVertexCache(ID3DXMesh* mesh, DWORD*& adjacency, MeshOptimizerFailure& failure)
{
    // The copies are as big as the mesh; running out of memory (bad_alloc, or length_error for
    // a size no allocator takes) is a failed step, not a crash.
    try
    {
        return Reorder(mesh, adjacency, failure);
    }
    catch (...)
    {
        failure.Call = nullptr;
        failure.Result = E_OUTOFMEMORY;
        return false;
    }
}
