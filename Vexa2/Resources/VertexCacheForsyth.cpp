// Tom Forsyth's "Linear-Speed Vertex Cache Optimisation" (2006): every vertex scores by its
// place in a modelled LRU cache and by how many of its triangles are still waiting; the next
// triangle is the best-scoring one next to the cache, or, when none is, the first one left in
// input order. Each step looks at a bounded number of triangles per cached vertex, so a vertex
// shared by a great many triangles (the hub of a fan) costs no more per step than any other:
// time stays linear in the face count whatever the mesh.
#include "VertexCacheSteps.h"

#include <cmath>
#include <limits>

namespace VertexCache
{
namespace Steps
{
namespace
{
// The published parameters. The modelled LRU cache is larger than the target FIFO on purpose:
// scores fall off gradually, so a vertex near the end of the model is still preferred over a
// cold one.
const int ModelCacheSize = 32;
const float CacheDecayPower = 1.5f;
const float LastTriangleScore = 0.75f;
const float ValenceBoostScale = 2.0f;
const float ValenceBoostPower = 0.5f;
// Triangles beyond this many per vertex all get the smallest valence boost.
const std::uint32_t MaxValence = 32;
// Triangles looked at per cached vertex and step. Ordinary vertices have far fewer; a hub
// offers this many of its remaining ones (any of them continues its fan equally well).
const std::uint32_t MaxCandidates = 16;

struct ScoreTables
{
    // Indexed by cache position + 1; entry 0 is "not in the cache".
    float Cache[ModelCacheSize + 1];
    // Indexed by the number of triangles still to emit (clamped to MaxValence).
    float Valence[MaxValence + 1];

    ScoreTables()
    {
        Cache[0] = 0.0f;
        for (int position = 0; position < ModelCacheSize; ++position)
        {
            // The vertices of the triangle just emitted score alike, whatever their corner
            // order, and a little below the next places.
            const float scale = 1.0f / float(ModelCacheSize - 3);
            Cache[position + 1] =
                position < 3 ? LastTriangleScore : std::pow(1.0f - float(position - 3) * scale, CacheDecayPower);
        }
        Valence[0] = 0.0f;
        for (std::uint32_t count = 1; count <= MaxValence; ++count)
        {
            // Few remaining triangles: finish the vertex off before it leaves the cache.
            Valence[count] = ValenceBoostScale * std::pow(float(count), -ValenceBoostPower);
        }
    }

    float Score(int cachePosition, std::uint32_t liveCount) const
    {
        if (liveCount == 0)
        {
            return -1.0f; // no triangle left to score
        }
        return Cache[cachePosition + 1] + Valence[liveCount < MaxValence ? liveCount : MaxValence];
    }
};

const ScoreTables& Tables()
{
    static const ScoreTables tables;
    return tables;
}

class Forsyth
{
public:
    Forsyth(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
            const VertexTriangles& around);
    void Run(std::uint32_t* order);

private:
    void Remove(std::uint32_t triangle);
    int MoveToFront(const std::uint32_t* corners, std::uint32_t* front, int* oldPlace);
    void UpdateCache(std::uint32_t triangle);
    std::uint32_t PickBest(std::uint32_t step);

    const ScoreTables& m_tables;
    const std::uint32_t* m_indices;
    std::uint32_t m_faceCount;
    const std::uint32_t* m_offsets;
    // Each vertex's triangles, its live ones first; a triangle is listed once per corner.
    std::vector<std::uint32_t> m_triangles;
    std::vector<std::uint32_t> m_position; // corner (3 * triangle + k) -> its place in its vertex's list
    std::vector<std::uint32_t> m_live;     // vertex -> corners not yet emitted
    std::vector<float> m_score;            // vertex -> current score
    std::vector<std::uint32_t> m_seen;     // triangle -> last step that scored it
    std::vector<std::uint8_t> m_emitted;   // triangle -> already in the order

    // The modelled LRU cache. Finished vertices (no triangle left) still take up places but can
    // never be used again, so only the unfinished cached vertices are listed, with their places.
    std::uint32_t m_cacheVertex[ModelCacheSize];
    int m_cachePlace[ModelCacheSize];
    int m_cacheSize = 0;
    std::vector<std::int32_t> m_place; // vertex -> place in the model cache, -1 when out
};

Forsyth::Forsyth(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                 const VertexTriangles& around)
    : m_tables(Tables()), m_indices(indices), m_faceCount(faceCount), m_offsets(around.Offsets.data()),
      m_triangles(std::size_t(faceCount) * 3), m_position(std::size_t(faceCount) * 3), m_live(vertexCount),
      m_score(vertexCount), m_seen(faceCount, None), m_emitted(faceCount, 0), m_place(vertexCount, -1)
{
    std::vector<std::uint32_t> fill(around.Offsets.begin(), around.Offsets.end() - 1);
    for (std::size_t c = 0; c < m_triangles.size(); ++c)
    {
        const std::uint32_t place = fill[indices[c]]++;
        m_triangles[place] = std::uint32_t(c / 3);
        m_position[c] = place - m_offsets[indices[c]];
    }
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        m_live[v] = around.Count(v);
        m_score[v] = m_tables.Score(-1, m_live[v]);
    }
}

void Forsyth::Run(std::uint32_t* order)
{
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
        best = PickBest(step);
    }
}

// The triangle leaves the live part of its vertices' lists (order inside a list is free): the
// last live entry takes its place.
void Forsyth::Remove(std::uint32_t triangle)
{
    for (std::size_t c = std::size_t(triangle) * 3; c < std::size_t(triangle) * 3 + 3; ++c)
    {
        const std::uint32_t v = m_indices[c];
        std::uint32_t* list = m_triangles.data() + m_offsets[v];
        const std::uint32_t last = --m_live[v];
        const std::uint32_t here = m_position[c];
        const std::uint32_t moved = list[last];
        // The corner of the moved triangle that this entry stands for.
        std::size_t movedCorner = std::size_t(moved) * 3;
        while (m_indices[movedCorner] != v || m_position[movedCorner] != last)
        {
            ++movedCorner;
        }
        list[here] = moved;
        m_position[movedCorner] = here;
        list[last] = triangle;
        m_position[c] = last;
    }
}

// The triangle's distinct vertices, in corner order, with their old places (-1: not cached).
int Forsyth::MoveToFront(const std::uint32_t* corners, std::uint32_t* front, int* oldPlace)
{
    int frontSize = 0;
    for (int k = 0; k < 3; ++k)
    {
        const std::uint32_t v = corners[k];
        if ((k < 1 || v != corners[0]) && (k < 2 || v != corners[1]))
        {
            front[frontSize] = v;
            oldPlace[frontSize] = m_place[v];
            ++frontSize;
        }
    }
    return frontSize;
}

// The triangle's vertices move to the front of the model cache; every other entry moves back
// by the number of them that were not already in front of it. Each unfinished vertex is
// rescored for its new place, also those pushed out; triangle scores are summed from vertex
// scores when needed, so nothing else is updated.
void Forsyth::UpdateCache(std::uint32_t triangle)
{
    std::uint32_t front[3];
    int oldPlace[3];
    const int frontSize = MoveToFront(m_indices + std::size_t(triangle) * 3, front, oldPlace);

    std::uint32_t nextVertex[ModelCacheSize];
    int nextPlace[ModelCacheSize];
    int nextSize = 0;
    for (int k = 0; k < frontSize; ++k)
    {
        const std::uint32_t v = front[k];
        m_place[v] = m_live[v] != 0 ? k : -1; // a finished vertex is gone for good
        if (m_live[v] != 0)
        {
            m_score[v] = m_tables.Score(k, m_live[v]);
            nextVertex[nextSize] = v;
            nextPlace[nextSize++] = k;
        }
    }
    // Places are unique, so an entry at a front vertex's old place is that vertex.
    for (int i = 0; i < m_cacheSize; ++i)
    {
        const std::uint32_t v = m_cacheVertex[i];
        const int place = m_cachePlace[i];
        int moved = place + frontSize;
        bool isFront = false;
        for (int k = 0; k < frontSize; ++k)
        {
            isFront = isFront || oldPlace[k] == place;
            moved -= oldPlace[k] >= 0 && oldPlace[k] < place ? 1 : 0;
        }
        if (isFront)
        {
            continue;
        }
        m_place[v] = moved < ModelCacheSize ? moved : -1;
        m_score[v] = m_tables.Score(m_place[v], m_live[v]);
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

// The best triangle around the cache, each looked at once per step; None when the cached
// vertices have no triangle left.
std::uint32_t Forsyth::PickBest(std::uint32_t step)
{
    std::uint32_t best = None;
    float bestScore = -std::numeric_limits<float>::max();
    for (int i = 0; i < m_cacheSize; ++i)
    {
        const std::uint32_t v = m_cacheVertex[i];
        const std::uint32_t* list = m_triangles.data() + m_offsets[v];
        const std::uint32_t count = m_live[v] < MaxCandidates ? m_live[v] : MaxCandidates;
        for (std::uint32_t j = 0; j < count; ++j)
        {
            const std::uint32_t t = list[j];
            if (m_seen[t] == step)
            {
                continue;
            }
            m_seen[t] = step;
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

void ForsythOrder(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                  const VertexTriangles& around, std::uint32_t* order)
{
    Forsyth forsyth(indices, faceCount, vertexCount, around);
    forsyth.Run(order);
}
} // namespace Steps
} // namespace VertexCache
