// Tom Forsyth's "Linear-Speed Vertex Cache Optimisation" (2006): every vertex scores by its
// place in a modelled cache and by how many of its triangles are still waiting (both through
// tables, tuned here on irregular meshes for 16- and 32-entry FIFOs); the next
// triangle is the best-scoring one next to the cache, or, when none is, the first one left in
// input order. Each step looks at a bounded number of triangles per cached vertex, so a vertex
// shared by a great many triangles (the hub of a fan) costs no more per step than any other:
// time stays linear in the face count whatever the mesh.
#include "VertexCacheSteps.h"

#include <limits>

namespace VertexCache
{
namespace Steps
{
namespace
{
// A 16-entry model: the place of a vertex in it and the number of its triangles still to
// emit each give a score from a table. The model is a FIFO, as the caches the order is judged
// by and made for: a hit moves nothing, so a vertex ages by misses alone however often it is
// used (an LRU model, as published, keeps a reused vertex young that a FIFO is about to drop).
// The tables were searched for the fewest misses of 16- and 32-entry FIFOs on decimated grids
// (irregular valences, as simplified models have), starting from the published curves.
const int ModelCacheSize = int(TargetFifoSize);
// Triangles beyond this many per vertex all score alike.
const std::uint32_t MaxValence = 8;
// Triangles looked at per cached vertex and step. Ordinary vertices have far fewer; a hub
// offers this many of its remaining ones (any of them continues its fan equally well).
const std::uint32_t MaxCandidates = 16;
// The model-cache place of a vertex not loaded yet (out of the cache, as -1).
const std::int32_t NeverLoaded = -2;

struct ScoreTables
{
    // Indexed by cache place + 1; entry 0 is "not in the cache".
    float Cache[ModelCacheSize + 1];
    // Indexed by the number of triangles still to emit (clamped to MaxValence).
    float Valence[MaxValence + 1];

    float Score(int cachePlace, std::uint32_t liveCount) const
    {
        if (liveCount == 0)
        {
            return -1.0f; // no triangle left to score
        }
        return Cache[cachePlace + 1] + Valence[liveCount < MaxValence ? liveCount : MaxValence];
    }
};

const ScoreTables Tables = {
    {0.000f, 0.810f, 0.709f, 0.640f, 0.840f, 0.571f, 0.670f, 0.804f, 0.779f, 0.466f, 0.935f, 0.731f, 0.721f, 0.605f,
     0.661f, 0.577f, 0.175f},
    {0.000f, 2.466f, 1.605f, 1.192f, 0.963f, 0.680f, 0.554f, 0.606f, 0.760f}};

class Forsyth
{
public:
    Forsyth(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount, VertexTriangles& around);
    std::uint32_t Run(std::uint32_t* order, std::uint32_t* firstUse);

private:
    void Remove(std::uint32_t triangle);
    void UpdateCache(std::uint32_t triangle);
    std::uint32_t PickBest();

    const std::uint32_t* m_indices;
    std::uint32_t m_faceCount;
    const std::uint32_t* m_offsets;
    // Each vertex's triangles, its live ones first; a triangle is listed once per corner, as
    // 4 * triangle + k for its corner k, so that the corner of an entry is known at once
    // (a plan holds fewer than 2^30 faces: it fits in 32 bits).
    std::uint32_t* m_triangles; // the lists of `around`, rewritten in place
    // Written in full before they are read:
    std::unique_ptr<std::uint32_t[]> m_position; // corner (3 * triangle + k) -> its place in its vertex's list
    std::unique_ptr<std::uint32_t[]> m_live;     // vertex -> corners not yet emitted
    std::unique_ptr<float[]> m_score;            // vertex -> current score
    std::vector<std::uint8_t> m_emitted;         // triangle -> already in the order

    // The modelled FIFO. Finished vertices (no triangle left) still take up places but can never
    // be used again, so only the unfinished cached vertices are listed, with their places.
    std::uint32_t m_cacheVertex[ModelCacheSize];
    int m_cachePlace[ModelCacheSize];
    int m_cacheSize = 0;
    // vertex -> place in the model cache, -1 when out, NeverLoaded before its first use
    std::vector<std::int32_t> m_place;
    std::uint32_t* m_firstUse = nullptr; // the next vertex loaded for the first time goes here
    std::uint32_t m_misses = 0;
};

Forsyth::Forsyth(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                 VertexTriangles& around)
    : m_indices(indices), m_faceCount(faceCount), m_offsets(around.Offsets.data()), m_triangles(around.Triangles.get()),
      m_position(Uninitialised<std::uint32_t>(std::size_t(faceCount) * 3)),
      m_live(Uninitialised<std::uint32_t>(vertexCount)), m_score(Uninitialised<float>(vertexCount)),
      m_emitted(faceCount, 0), m_place(vertexCount, NeverLoaded)
{
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        // The list is ascending: a triangle that uses v twice comes twice in a row, its
        // second entry for the next corner that is v.
        std::uint32_t* list = m_triangles + m_offsets[v];
        const std::uint32_t count = around.Count(v);
        for (std::uint32_t j = 0; j < count; ++j)
        {
            const std::uint32_t t = list[j];
            const std::uint32_t* corners = indices + std::size_t(t) * 3;
            std::uint32_t k = j > 0 && list[j - 1] >> 2 == t ? (list[j - 1] & 3) + 1 : 0;
            while (corners[k] != v)
            {
                ++k;
            }
            list[j] = t * 4 + k;
            m_position[std::size_t(t) * 3 + k] = j;
        }
        m_live[v] = count;
        m_score[v] = Tables.Score(-1, m_live[v]);
    }
}

std::uint32_t Forsyth::Run(std::uint32_t* order, std::uint32_t* firstUse)
{
    m_firstUse = firstUse;
    std::uint32_t scan = 0; // triangles before it are placed
    std::uint32_t best = None;
    for (std::uint32_t step = 0; step < m_faceCount; ++step)
    {
        if (best == None)
        {
            // Dead end: go on with the first triangle not yet placed, in input order.
            while (m_emitted[scan])
            {
                ++scan;
            }
            best = scan;
        }
        *order++ = best;
        m_emitted[best] = 1;
        Remove(best);
        UpdateCache(best);
        best = PickBest();
    }
    return m_misses;
}

// The triangle leaves the live part of its vertices' lists (order inside a list is free): the
// last live entry takes its place.
void Forsyth::Remove(std::uint32_t triangle)
{
    for (std::size_t c = std::size_t(triangle) * 3; c < std::size_t(triangle) * 3 + 3; ++c)
    {
        const std::uint32_t v = m_indices[c];
        std::uint32_t* list = m_triangles + m_offsets[v];
        const std::uint32_t last = --m_live[v];
        const std::uint32_t here = m_position[c];
        const std::uint32_t moved = list[last];
        list[here] = moved;
        m_position[std::size_t(moved >> 2) * 3 + (moved & 3)] = here;
        list[last] = std::uint32_t(triangle * 4 + (c - std::size_t(triangle) * 3));
        m_position[c] = last;
    }
}

// The triangle's vertices that were not cached are loaded, in corner order, each in front of
// the last; every vertex cached before moves back one place per vertex loaded, and out past
// the last place. Each unfinished vertex is rescored for its new place and its triangles left
// (a finished one is never used again and leaves the list); triangle scores are summed from
// vertex scores when needed, so nothing else is updated.
void Forsyth::UpdateCache(std::uint32_t triangle)
{
    // A corner that repeats an earlier one is cached by then; one cached in the last places
    // may be pushed out by the corners loaded before it.
    const std::uint32_t* corners = m_indices + std::size_t(triangle) * 3;
    std::uint32_t loaded[3];
    int misses = 0;
    for (int k = 0; k < 3; ++k)
    {
        const std::uint32_t v = corners[k];
        const bool repeat = (k > 0 && v == corners[0]) || (k > 1 && v == corners[1]);
        if (!repeat && (m_place[v] < 0 || m_place[v] + misses >= ModelCacheSize))
        {
            loaded[misses++] = v;
        }
    }
    std::uint32_t nextVertex[ModelCacheSize];
    int nextPlace[ModelCacheSize];
    int nextSize = 0;
    // The model is the FIFO the order is judged by: its misses are the order's.
    m_misses += std::uint32_t(misses);
    for (int j = 0; j < misses; ++j)
    {
        const std::uint32_t v = loaded[j];
        if (m_place[v] == NeverLoaded)
        {
            *m_firstUse++ = v;
        }
        const int place = misses - 1 - j;
        m_place[v] = m_live[v] != 0 ? place : -1;
        if (m_live[v] != 0)
        {
            m_score[v] = Tables.Score(place, m_live[v]);
            nextVertex[nextSize] = v;
            nextPlace[nextSize++] = place;
        }
    }
    for (int i = 0; i < m_cacheSize; ++i)
    {
        const std::uint32_t v = m_cacheVertex[i];
        const int moved = m_cachePlace[i] + misses;
        bool reloaded = false;
        for (int j = 0; j < misses; ++j)
        {
            reloaded = reloaded || v == loaded[j];
        }
        if (reloaded)
        {
            continue; // pushed out and loaded again just now
        }
        if (m_live[v] == 0)
        {
            m_place[v] = -1;
            continue;
        }
        m_place[v] = moved < ModelCacheSize ? moved : -1;
        m_score[v] = Tables.Score(m_place[v], m_live[v]);
        if (moved < ModelCacheSize)
        {
            nextVertex[nextSize] = v;
            nextPlace[nextSize++] = moved;
        }
    }
    m_cacheSize = nextSize;
    for (int i = 0; i < nextSize; ++i)
    {
        m_cacheVertex[i] = nextVertex[i];
        m_cachePlace[i] = nextPlace[i];
    }
}

// The best triangle around the cache (one next to two cached vertices is scored twice: cheaper
// than remembering it, and the first of equal scores stays); None when the cached vertices
// have no triangle left.
std::uint32_t Forsyth::PickBest()
{
    std::uint32_t best = None;
    float bestScore = -std::numeric_limits<float>::max();
    for (int i = 0; i < m_cacheSize; ++i)
    {
        const std::uint32_t v = m_cacheVertex[i];
        const std::uint32_t* list = m_triangles + m_offsets[v];
        const std::uint32_t count = m_live[v] < MaxCandidates ? m_live[v] : MaxCandidates;
        for (std::uint32_t j = 0; j < count; ++j)
        {
            const std::uint32_t t = list[j] >> 2;
            const std::uint32_t* u = m_indices + std::size_t(t) * 3;
            const float score = m_score[u[0]] + m_score[u[1]] + m_score[u[2]];
            if (score > bestScore)
            {
                bestScore = score;
                best = t;
            }
        }
    }
    return best;
}
} // namespace

std::uint32_t ForsythOrder(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                           VertexTriangles& around, std::uint32_t* order, std::uint32_t* firstUse)
{
    Forsyth forsyth(indices, faceCount, vertexCount, around);
    return forsyth.Run(order, firstUse);
}
} // namespace Steps
} // namespace VertexCache
