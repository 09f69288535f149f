#include "MeshOptimizer.h"

#include "VertexCache.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace
{
// Keeps the three buffers of a mesh locked for the length of one rewrite.
class MeshLocks
{
public:
    explicit MeshLocks(ID3DXMesh* mesh)
        : m_mesh(mesh), Indices(nullptr), Vertices(nullptr), Attributes(nullptr)
    {
    }
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

bool Reorder(ID3DXMesh* mesh, DWORD* adjacency, MeshOptimizerFailure& failure)
{
    const DWORD faceCount = mesh->GetNumFaces();
    const DWORD vertexCount = mesh->GetNumVertices();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    const bool wideIndices = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    const std::size_t indexCount = static_cast<std::size_t>(faceCount) * 3;

    VertexCache::Plan plan;
    {
        MeshLocks locks(mesh);
        if (!locks.Lock(failure))
            return false;

        std::vector<std::uint32_t> indices(indexCount);
        if (wideIndices)
        {
            const DWORD* source = static_cast<const DWORD*>(locks.Indices);
            for (std::size_t i = 0; i < indexCount; ++i)
                indices[i] = source[i];
        }
        else
        {
            const WORD* source = static_cast<const WORD*>(locks.Indices);
            for (std::size_t i = 0; i < indexCount; ++i)
                indices[i] = source[i];
        }
        std::vector<std::uint32_t> attributes(locks.Attributes, locks.Attributes + faceCount);

        if (!VertexCache::BuildPlan(indices.data(), attributes.data(), faceCount, vertexCount, plan))
        {
            failure.Call = nullptr;
            failure.Result = E_FAIL;
            return false;
        }

        // Faces and their attributes in the new order, indices renumbered.
        for (DWORD face = 0; face < faceCount; ++face)
        {
            const std::uint32_t oldFace = plan.FaceOrder[face];
            for (int corner = 0; corner < 3; ++corner)
            {
                const std::uint32_t index = plan.VertexRemap[indices[oldFace * 3 + corner]];
                if (wideIndices)
                    static_cast<DWORD*>(locks.Indices)[face * 3 + corner] = index;
                else
                    static_cast<WORD*>(locks.Indices)[face * 3 + corner] = static_cast<WORD>(index);
            }
            locks.Attributes[face] = attributes[oldFace];
        }

        // Vertices in first-use order.
        const std::size_t vertexBytes = static_cast<std::size_t>(vertexCount) * stride;
        std::vector<unsigned char> vertices(static_cast<const unsigned char*>(locks.Vertices),
                                            static_cast<const unsigned char*>(locks.Vertices) + vertexBytes);
        unsigned char* target = static_cast<unsigned char*>(locks.Vertices);
        for (DWORD vertex = 0; vertex < vertexCount; ++vertex)
            std::memcpy(target + static_cast<std::size_t>(vertex) * stride,
                        vertices.data() + static_cast<std::size_t>(plan.VertexOrder[vertex]) * stride, stride);
    }

    if (adjacency)
    {
        static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "adjacency entries are 32-bit");
        VertexCache::RemapAdjacency(plan, reinterpret_cast<std::uint32_t*>(adjacency));
    }

    // After the attribute buffer is unlocked: a write lock drops the table.
    static_assert(sizeof(D3DXATTRIBUTERANGE) == sizeof(VertexCache::Range), "same layout");
    const HRESULT hr = mesh->SetAttributeTable(
        reinterpret_cast<const D3DXATTRIBUTERANGE*>(plan.Ranges.data()), static_cast<DWORD>(plan.Ranges.size()));
    if (FAILED(hr))
    {
        failure.Call = L"SetAttributeTable()";
        failure.Result = hr;
        return false;
    }
    return true;
}
} // namespace

bool OptimizeMeshForVertexCache(ID3DXMesh* mesh, DWORD* adjacency, MeshOptimizerFailure& failure)
{
    // The copies are as big as the mesh; running out of memory is a failed step, not a crash.
    try
    {
        return Reorder(mesh, adjacency, failure);
    }
    catch (const std::bad_alloc&)
    {
        failure.Call = nullptr;
        failure.Result = E_OUTOFMEMORY;
        return false;
    }
}
