// Vertex-cache ordering of an indexed triangle list.
//
// Faces are first grouped by attribute id (stable). Each group is then ordered by two
// linear-time greedy methods that are good at different things:
//   - Sander, Nehab and Barczak's "Tipsify": emit whole vertex fans and pick the next fan
//     centre so that it is still in a FIFO of known size. Very good and very fast on
//     well-connected meshes.
//   - Tom Forsyth's scoring method: every vertex scores by its place in a modelled LRU cache
//     and by how many of its triangles are still waiting; the next triangle is the
//     best-scoring one next to the cache. Holds up better on poorly connected meshes, but is
//     several times slower, so it only runs where the fan order is clearly short of the ideal.
// The group keeps whichever order misses least in a simulated 16-entry FIFO (the
// post-transform cache of Direct3D 9 class hardware), or its input order when neither beats it.
// Finally vertices are renumbered in the order the new face list first uses them.
//
// Everything lives in flat arrays sized once per call; the inner loops allocate nothing.
#include "VertexCache.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>

namespace VertexCache
{
namespace
{
const std::uint32_t None = 0xFFFFFFFFu;

// The cache the candidate orders are judged against, and the one Tipsify plans for.
const std::uint32_t TargetFifoSize = 16;
// A fan order within this factor of the unavoidable misses (one per distinct vertex) is kept
// without trying the slower scoring method. Regular meshes land near 1.2 (a 16-entry FIFO
// cannot do much better on them); poorly connected ones far above.
const double GoodEnoughRatio = 1.25;

// Forsyth's scoring, with the published parameters. The modelled LRU cache is larger than the
// target FIFO on purpose: scores fall off gradually, so a vertex near the end of the model
// is still preferred over a cold one.
const int ModelCacheSize = 32;
const float CacheDecayPower = 1.5f;
const float LastTriangleScore = 0.75f;
const float ValenceBoostScale = 2.0f;
const float ValenceBoostPower = 0.5f;
// Triangles beyond this many per vertex all get the smallest valence boost.
const std::uint32_t MaxValence = 32;

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
            float score;
            if (position < 3)
            {
                // The vertices of the triangle just emitted score alike, whatever their corner
                // order, and a little below the next places.
                score = LastTriangleScore;
            }
            else
            {
                const float scale = 1.0f / float(ModelCacheSize - 3);
                score = std::pow(1.0f - float(position - 3) * scale, CacheDecayPower);
            }
            Cache[position + 1] = score;
        }
        Valence[0] = 0.0f;
        for (std::uint32_t count = 1; count <= MaxValence; ++count)
        {
            // Few remaining triangles: finish the vertex off before it leaves the cache.
            Valence[count] = ValenceBoostScale * std::pow(float(count), -ValenceBoostPower);
        }
    }
};

const ScoreTables& Tables()
{
    static const ScoreTables tables;
    return tables;
}

inline float VertexScore(const ScoreTables& tables, int cachePosition, std::uint32_t liveCount)
{
    if (liveCount == 0)
    {
        return -1.0f; // no triangle left to score
    }
    const std::uint32_t valence = liveCount < MaxValence ? liveCount : MaxValence;
    return tables.Cache[cachePosition + 1] + tables.Valence[valence];
}

// Working storage of one BuildPlan call. Triangles are numbered by their position in the
// attribute-grouped order ("slot"), so each group is a contiguous slot range.
struct Workspace
{
    std::vector<std::uint32_t> SlotFace;   // slot -> old face
    const std::uint32_t* Corners = nullptr; // 3 vertices per slot
    std::vector<std::uint32_t> Regrouped;  // storage of Corners when grouping moved faces
    std::vector<std::uint32_t> AdjStart;   // vertex -> first entry of the current group's slots
    std::vector<std::uint32_t> Adjacency;  // slots around each vertex, ascending by group
    std::vector<std::uint32_t> GroupCount; // vertex -> corners in the current group
    std::vector<std::uint32_t> LiveCount;  // vertex -> corners not yet emitted
    std::vector<std::int32_t> CachePos;    // vertex -> Forsyth model cache place, -1 when out
    std::vector<float> VertexScores;       // vertex -> current Forsyth score
    std::vector<std::uint32_t> Seen;       // slot -> last Forsyth step that scored it
    std::vector<std::uint32_t> Stamp;      // vertex -> Tipsify cache time stamp
    std::uint32_t Clock = 0;               // Tipsify time
    std::vector<std::uint32_t> LoadedAt;   // vertex -> miss that loaded it (FIFO simulation)
    std::uint32_t Misses = 0;              // FIFO simulation miss counter
    std::vector<std::uint32_t> DeadEnds;   // Tipsify's stack of recently used vertices
    std::vector<std::uint8_t> Emitted;     // slot -> already placed
    std::vector<std::uint32_t> ScoredOrder; // Forsyth's order of the current group (slots)
    std::vector<std::uint32_t> FanOrder;    // Tipsify's order of the current group (slots)
};

// Stable grouping of faces by attribute id. Fills SlotFace and one Range per id with its
// face span; ids are arbitrary 32-bit values. Returns true when no face had to move.
bool GroupFaces(const std::uint32_t* attributes, std::uint32_t faceCount, Workspace& work,
                std::vector<Range>& ranges)
{
    work.SlotFace.resize(faceCount);
    ranges.clear();
    if (faceCount == 0)
    {
        return true;
    }

    bool sorted = true;
    std::uint32_t maxId = 0;
    if (attributes != nullptr)
    {
        maxId = attributes[0];
        for (std::uint32_t f = 1; f < faceCount; ++f)
        {
            sorted = sorted && attributes[f - 1] <= attributes[f];
            maxId = attributes[f] > maxId ? attributes[f] : maxId;
        }
    }

    if (sorted)
    {
        // The common case: D3DX's loader already hands out faces sorted by attribute.
        for (std::uint32_t f = 0; f < faceCount; ++f)
        {
            work.SlotFace[f] = f;
        }
    }
    else if (maxId < faceCount + 65536u)
    {
        // Counting sort over the id values themselves: linear and stable.
        std::vector<std::uint32_t> start(std::size_t(maxId) + 2, 0);
        for (std::uint32_t f = 0; f < faceCount; ++f)
        {
            ++start[attributes[f] + 1];
        }
        for (std::uint32_t id = 0; id <= maxId; ++id)
        {
            start[id + 1] += start[id];
        }
        for (std::uint32_t f = 0; f < faceCount; ++f)
        {
            work.SlotFace[start[attributes[f]]++] = f;
        }
    }
    else
    {
        // Sparse huge ids: two stable 16-bit counting passes (low half first).
        std::vector<std::uint32_t> temp(faceCount);
        std::vector<std::uint32_t> start(65537);
        for (std::uint32_t f = 0; f < faceCount; ++f)
        {
            temp[f] = f;
        }
        for (int shift = 0; shift < 32; shift += 16)
        {
            std::vector<std::uint32_t>& from = shift == 0 ? temp : work.SlotFace;
            std::vector<std::uint32_t>& to = shift == 0 ? work.SlotFace : temp;
            for (std::size_t i = 0; i < start.size(); ++i)
            {
                start[i] = 0;
            }
            for (std::uint32_t f = 0; f < faceCount; ++f)
            {
                ++start[((attributes[f] >> shift) & 0xFFFFu) + 1];
            }
            for (std::uint32_t key = 0; key < 65536u; ++key)
            {
                start[key + 1] += start[key];
            }
            for (std::uint32_t i = 0; i < faceCount; ++i)
            {
                const std::uint32_t face = from[i];
                to[start[(attributes[face] >> shift) & 0xFFFFu]++] = face;
            }
        }
        work.SlotFace.swap(temp);
    }

    // The vertex spans are filled in after renumbering.
    for (std::uint32_t slot = 0; slot < faceCount; ++slot)
    {
        const std::uint32_t id = attributes != nullptr ? attributes[work.SlotFace[slot]] : 0;
        if (ranges.empty() || ranges.back().AttribId != id)
        {
            Range range = {id, slot, 0, 0, 0};
            ranges.push_back(range);
        }
        ++ranges.back().FaceCount;
    }
    return sorted;
}

// Vertex -> slot lists over all groups (compressed rows, ascending slots). A triangle that
// uses a vertex twice appears twice in its list, once per corner: every per-vertex count
// below counts corners, which keeps adding and removing symmetric.
void BuildAdjacency(std::uint32_t faceCount, std::uint32_t vertexCount, Workspace& work)
{
    work.AdjStart.assign(std::size_t(vertexCount) + 1, 0);
    const std::size_t cornerCount = std::size_t(faceCount) * 3;
    for (std::size_t i = 0; i < cornerCount; ++i)
    {
        ++work.AdjStart[work.Corners[i] + 1];
    }
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        work.AdjStart[v + 1] += work.AdjStart[v];
    }
    work.Adjacency.resize(cornerCount);
    // GroupCount serves as the fill cursor here and is zero again afterwards.
    work.GroupCount.assign(vertexCount, 0);
    for (std::uint32_t slot = 0; slot < faceCount; ++slot)
    {
        for (int k = 0; k < 3; ++k)
        {
            const std::uint32_t v = work.Corners[std::size_t(slot) * 3 + k];
            work.Adjacency[work.AdjStart[v] + work.GroupCount[v]++] = slot;
        }
    }
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        work.GroupCount[v] = 0;
    }
}

// Earlier groups' slots have been skipped (AdjStart advanced past them), so each vertex's
// list now begins with this group's slots; count them. Returns the number of distinct
// vertices the group uses: no order can miss fewer times.
std::uint32_t BeginGroup(std::uint32_t first, std::uint32_t end, Workspace& work)
{
    const std::uint32_t* corners = work.Corners;
    std::uint32_t distinct = 0;
    for (std::size_t i = std::size_t(first) * 3; i < std::size_t(end) * 3; ++i)
    {
        if (work.GroupCount[corners[i]]++ == 0)
        {
            ++distinct;
        }
    }
    return distinct;
}

// Every group's slot is live again; run before each ordering method.
void ResetGroup(std::uint32_t first, std::uint32_t end, Workspace& work)
{
    const std::uint32_t* corners = work.Corners;
    for (std::size_t i = std::size_t(first) * 3; i < std::size_t(end) * 3; ++i)
    {
        work.LiveCount[corners[i]] = work.GroupCount[corners[i]];
    }
    for (std::uint32_t slot = first; slot < end; ++slot)
    {
        work.Emitted[slot] = 0;
    }
}

// Moves every vertex's list past this group's slots, for the next group.
void EndGroup(std::uint32_t first, std::uint32_t end, Workspace& work)
{
    const std::uint32_t* corners = work.Corners;
    for (std::size_t i = std::size_t(first) * 3; i < std::size_t(end) * 3; ++i)
    {
        const std::uint32_t v = corners[i];
        work.AdjStart[v] += work.GroupCount[v];
        work.GroupCount[v] = 0;
    }
}

// Forsyth's method over the slots [first, end); writes the slots in their new order.
void ForsythOrder(std::uint32_t first, std::uint32_t end, Workspace& work, std::uint32_t* order)
{
    const ScoreTables& tables = Tables();
    const std::uint32_t* corners = work.Corners;
    const std::uint32_t* adjStart = work.AdjStart.data();
    std::uint32_t* adjacency = work.Adjacency.data();
    std::uint32_t* liveCount = work.LiveCount.data();
    float* scores = work.VertexScores.data();
    std::uint32_t* seen = work.Seen.data();
    std::uint8_t* emitted = work.Emitted.data();

    for (std::size_t i = std::size_t(first) * 3; i < std::size_t(end) * 3; ++i)
    {
        const std::uint32_t v = corners[i];
        scores[v] = VertexScore(tables, -1, liveCount[v]);
    }

    // The modelled LRU cache. Finished vertices (no triangle left) still take up places but
    // can never be used again, so only the unfinished cached vertices are listed, with their
    // places; a step costs in proportion to them rather than to the cache size.
    std::uint32_t liveVertex[ModelCacheSize];
    int livePlace[ModelCacheSize];
    int liveSize = 0;
    std::int32_t* cachePos = work.CachePos.data(); // vertex -> place, -1 when not cached

    std::uint32_t scan = first; // next candidate when the cache offers nothing
    std::uint32_t best = None;
    for (std::uint32_t placed = first; placed < end; ++placed)
    {
        if (best == None)
        {
            // Dead end: go on with the first triangle not yet placed, in input order.
            while (emitted[scan])
            {
                ++scan;
            }
            best = scan;
        }

        const std::uint32_t* t = corners + std::size_t(best) * 3;
        *order++ = best;
        emitted[best] = 1;

        // The triangle leaves the live lists of its vertices (order inside a list is free).
        for (int k = 0; k < 3; ++k)
        {
            std::uint32_t* list = adjacency + adjStart[t[k]];
            const std::uint32_t last = --liveCount[t[k]];
            std::uint32_t i = 0;
            while (list[i] != best)
            {
                ++i;
            }
            list[i] = list[last];
            list[last] = best;
        }

        // The triangle's distinct vertices move to the front, in corner order; every other
        // entry moves back by the number of them that were not already in front of it.
        std::uint32_t front[3];
        int oldPlace[3];
        int frontSize = 0;
        for (int k = 0; k < 3; ++k)
        {
            const std::uint32_t v = t[k];
            if ((k < 1 || v != t[0]) && (k < 2 || v != t[1]))
            {
                front[frontSize] = v;
                oldPlace[frontSize] = cachePos[v];
                ++frontSize;
            }
        }

        // Rescore each unfinished vertex for its new place, also those pushed out. Triangle
        // scores are summed from vertex scores when needed, so nothing else is updated.
        std::uint32_t nextVertex[ModelCacheSize];
        int nextPlace[ModelCacheSize];
        int nextSize = 0;
        for (int k = 0; k < frontSize; ++k)
        {
            const std::uint32_t v = front[k];
            if (liveCount[v] != 0)
            {
                cachePos[v] = k;
                scores[v] = VertexScore(tables, k, liveCount[v]);
                nextVertex[nextSize] = v;
                nextPlace[nextSize] = k;
                ++nextSize;
            }
            else
            {
                cachePos[v] = -1; // finished for good
            }
        }
        // Old places of the front vertices that were cached, ascending, padded past the end.
        int q0 = ModelCacheSize;
        int q1 = ModelCacheSize;
        int q2 = ModelCacheSize;
        for (int k = 0; k < frontSize; ++k)
        {
            int q = oldPlace[k] >= 0 ? oldPlace[k] : ModelCacheSize;
            if (q < q0)
            {
                const int swap = q0;
                q0 = q;
                q = swap;
            }
            if (q < q1)
            {
                const int swap = q1;
                q1 = q;
                q = swap;
            }
            q2 = q < q2 ? q : q2;
        }
        for (int i = 0; i < liveSize; ++i)
        {
            const std::uint32_t v = liveVertex[i];
            const int place = livePlace[i];
            // Places are unique, so an entry at a front vertex's old place is that vertex.
            if (place == q0 || place == q1 || place == q2)
            {
                continue;
            }
            const int moved = place + frontSize - int(q0 < place) - int(q1 < place) - int(q2 < place);
            if (moved < ModelCacheSize)
            {
                cachePos[v] = moved;
                scores[v] = VertexScore(tables, moved, liveCount[v]);
                nextVertex[nextSize] = v;
                nextPlace[nextSize] = moved;
                ++nextSize;
            }
            else
            {
                cachePos[v] = -1;
                scores[v] = VertexScore(tables, -1, liveCount[v]);
            }
        }
        liveSize = nextSize;
        for (int i = 0; i < nextSize; ++i)
        {
            liveVertex[i] = nextVertex[i];
            livePlace[i] = nextPlace[i];
        }

        // The next triangle is the best one around the cache, each looked at once.
        best = None;
        float bestScore = -std::numeric_limits<float>::max();
        for (int i = 0; i < liveSize; ++i)
        {
            const std::uint32_t v = liveVertex[i];
            const std::uint32_t* list = adjacency + adjStart[v];
            const std::uint32_t live = liveCount[v];
            for (std::uint32_t j = 0; j < live; ++j)
            {
                const std::uint32_t slot = list[j];
                if (seen[slot] == placed)
                {
                    continue;
                }
                seen[slot] = placed;
                const std::uint32_t* u = corners + std::size_t(slot) * 3;
                const float score = scores[u[0]] + scores[u[1]] + scores[u[2]];
                if (score > bestScore)
                {
                    bestScore = score;
                    best = slot;
                }
            }
        }
    }
}

// Tipsify over the slots [first, end) for a FIFO of cacheSize entries; writes the slots in
// their new order. Triangles keep their corner order, so winding is untouched.
void TipsifyOrder(std::uint32_t first, std::uint32_t end, std::uint32_t cacheSize,
                  Workspace& work, std::uint32_t* order)
{
    const std::uint32_t* corners = work.Corners;
    std::uint32_t* dead = work.DeadEnds.data();
    std::size_t deadSize = 0;

    // Start well past every stamp of an earlier group: nothing counts as cached.
    work.Clock += cacheSize + 1;
    std::uint32_t& clock = work.Clock;

    std::uint32_t scan = first;
    std::uint32_t fan = corners[std::size_t(first) * 3];
    for (;;)
    {
        // Emit every live triangle around the fan centre.
        const std::size_t fanStart = deadSize;
        const std::uint32_t* list = &work.Adjacency[work.AdjStart[fan]];
        const std::uint32_t count = work.GroupCount[fan];
        for (std::uint32_t j = 0; j < count; ++j)
        {
            const std::uint32_t slot = list[j];
            if (work.Emitted[slot])
            {
                continue;
            }
            work.Emitted[slot] = 1;
            *order++ = slot;
            const std::uint32_t* t = corners + std::size_t(slot) * 3;
            for (int k = 0; k < 3; ++k)
            {
                const std::uint32_t v = t[k];
                dead[deadSize++] = v;
                --work.LiveCount[v];
                if (clock - work.Stamp[v] > cacheSize)
                {
                    work.Stamp[v] = clock++;
                }
            }
        }

        // Next centre: among the vertices just used, the oldest one whose whole remaining fan
        // would still find it in the cache; failing that any with triangles left.
        std::uint32_t next = None;
        std::uint32_t nextPriority = 0;
        for (std::size_t i = fanStart; i < deadSize; ++i)
        {
            const std::uint32_t v = dead[i];
            const std::uint32_t live = work.LiveCount[v];
            if (live == 0)
            {
                continue;
            }
            // Each remaining triangle brings at most two new vertices into the FIFO.
            const std::uint32_t age = clock - work.Stamp[v];
            const bool fits = age <= cacheSize && live <= (cacheSize - age) / 2;
            const std::uint32_t priority = fits ? age + 1 : 0;
            if (next == None || priority > nextPriority)
            {
                nextPriority = priority;
                next = v;
            }
        }
        // Dead end: the most recently used vertex that still has triangles, then the first
        // triangle not yet placed, in input order.
        while (next == None && deadSize > 0)
        {
            const std::uint32_t v = dead[--deadSize];
            if (work.LiveCount[v] > 0)
            {
                next = v;
            }
        }
        if (next == None)
        {
            while (scan < end && work.Emitted[scan])
            {
                ++scan;
            }
            if (scan == end)
            {
                return;
            }
            next = corners[std::size_t(scan) * 3];
        }
        fan = next;
    }
}

// Misses of a fresh FIFO of TargetFifoSize entries over the given slots, or over the slots
// first, first + 1, ... (the input order) when slots is null.
std::uint32_t CountMisses(const std::uint32_t* slots, std::uint32_t first, std::uint32_t count,
                          Workspace& work)
{
    // A FIFO never reorders on a hit, so a vertex is cached exactly when fewer than
    // TargetFifoSize misses happened since the miss that loaded it.
    work.Misses += TargetFifoSize; // forget earlier runs
    const std::uint32_t before = work.Misses;
    const std::uint32_t* corners = work.Corners;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const std::uint32_t slot = slots != nullptr ? slots[i] : first + i;
        const std::uint32_t* t = corners + std::size_t(slot) * 3;
        for (int k = 0; k < 3; ++k)
        {
            std::uint32_t& loadedAt = work.LoadedAt[t[k]];
            if (work.Misses - loadedAt >= TargetFifoSize)
            {
                loadedAt = ++work.Misses;
            }
        }
    }
    return work.Misses - before;
}

bool BuildPlanUnchecked(const std::uint32_t* indices, const std::uint32_t* attributes,
                        std::uint32_t faceCount, std::uint32_t vertexCount, Plan& plan)
{
    Workspace work;
    const bool identity = GroupFaces(attributes, faceCount, work, plan.Ranges);

    // Faces already grouped (the usual case) are read in place.
    work.Corners = indices;
    if (!identity)
    {
        work.Regrouped.resize(std::size_t(faceCount) * 3);
        for (std::uint32_t slot = 0; slot < faceCount; ++slot)
        {
            const std::uint32_t* source = indices + std::size_t(work.SlotFace[slot]) * 3;
            std::uint32_t* target = &work.Regrouped[std::size_t(slot) * 3];
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
        }
        work.Corners = work.Regrouped.data();
    }
    BuildAdjacency(faceCount, vertexCount, work);

    work.LiveCount.assign(vertexCount, 0);
    work.Stamp.assign(vertexCount, 0);
    work.LoadedAt.assign(vertexCount, 0);
    work.DeadEnds.resize(std::size_t(faceCount) * 3);
    work.Emitted.assign(faceCount, 0);
    work.FanOrder.resize(faceCount);
    bool forsythReady = false; // its storage is only set up when a group needs it

    plan.FaceOrder.resize(faceCount);
    for (std::size_t g = 0; g < plan.Ranges.size(); ++g)
    {
        const std::uint32_t first = plan.Ranges[g].FaceStart;
        const std::uint32_t count = plan.Ranges[g].FaceCount;
        const std::uint32_t end = first + count;
        std::uint32_t* tipsify = work.FanOrder.data();

        const std::uint32_t floor = BeginGroup(first, end, work);

        // Keep the order that misses least; the input order stands unless it is beaten.
        const std::uint32_t* chosen = nullptr;
        std::uint32_t misses = CountMisses(nullptr, first, count, work);

        ResetGroup(first, end, work);
        TipsifyOrder(first, end, TargetFifoSize, work, tipsify);
        const std::uint32_t tipsifyMisses = CountMisses(tipsify, first, count, work);
        if (tipsifyMisses < misses)
        {
            chosen = tipsify;
            misses = tipsifyMisses;
        }

        // The scoring method is several times slower; it only gets a chance where the fan
        // order is clearly short of the floor (on regular meshes it never won).
        if (double(tipsifyMisses) > GoodEnoughRatio * double(floor))
        {
            if (!forsythReady)
            {
                work.CachePos.assign(vertexCount, -1);
                work.Seen.assign(faceCount, None);
                work.VertexScores.assign(vertexCount, 0.0f);
                work.ScoredOrder.resize(faceCount);
                forsythReady = true;
            }
            std::uint32_t* forsyth = work.ScoredOrder.data();
            ResetGroup(first, end, work);
            ForsythOrder(first, end, work, forsyth);
            if (CountMisses(forsyth, first, count, work) < misses)
            {
                chosen = forsyth;
            }
        }
        EndGroup(first, end, work);

        for (std::uint32_t i = 0; i < count; ++i)
        {
            plan.FaceOrder[first + i] = work.SlotFace[chosen != nullptr ? chosen[i] : first + i];
        }
    }

    // Vertices by first use, unused ones after them in their old order.
    plan.VertexRemap.assign(vertexCount, None);
    plan.VertexOrder.resize(vertexCount);
    std::uint32_t next = 0;
    for (std::uint32_t i = 0; i < faceCount; ++i)
    {
        const std::uint32_t* t = indices + std::size_t(plan.FaceOrder[i]) * 3;
        for (int k = 0; k < 3; ++k)
        {
            if (plan.VertexRemap[t[k]] == None)
            {
                plan.VertexRemap[t[k]] = next;
                plan.VertexOrder[next++] = t[k];
            }
        }
    }
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        if (plan.VertexRemap[v] == None)
        {
            plan.VertexRemap[v] = next;
            plan.VertexOrder[next++] = v;
        }
    }

    // The span of new vertex numbers each group uses, as D3DX's attribute table gives it.
    for (std::size_t g = 0; g < plan.Ranges.size(); ++g)
    {
        Range& range = plan.Ranges[g];
        std::uint32_t low = None;
        std::uint32_t high = 0;
        for (std::uint32_t i = range.FaceStart; i < range.FaceStart + range.FaceCount; ++i)
        {
            const std::uint32_t* t = indices + std::size_t(plan.FaceOrder[i]) * 3;
            for (int k = 0; k < 3; ++k)
            {
                const std::uint32_t v = plan.VertexRemap[t[k]];
                low = v < low ? v : low;
                high = v > high ? v : high;
            }
        }
        range.VertexStart = low;
        range.VertexCount = high - low + 1;
    }
    return true;
}
} // namespace

bool BuildPlan(const std::uint32_t* indices, const std::uint32_t* attributes, std::uint32_t faceCount,
               std::uint32_t vertexCount, Plan& plan)
{
    plan.FaceOrder.clear();
    plan.VertexOrder.clear();
    plan.VertexRemap.clear();
    plan.Ranges.clear();

    // Corner and adjacency counts must fit the 32-bit numbering used throughout.
    if (faceCount > 0x3FFFFFFFu || (faceCount > 0 && indices == nullptr))
    {
        return false;
    }
    const std::size_t cornerCount = std::size_t(faceCount) * 3;
    for (std::size_t i = 0; i < cornerCount; ++i)
    {
        if (indices[i] >= vertexCount)
        {
            return false;
        }
    }

    // The only failure left is running out of memory; report it like a bad input rather than
    // letting an exception cross the engine.
    try
    {
        return BuildPlanUnchecked(indices, attributes, faceCount, vertexCount, plan);
    }
    catch (const std::bad_alloc&)
    {
        plan.FaceOrder.clear();
        plan.VertexOrder.clear();
        plan.VertexRemap.clear();
        plan.Ranges.clear();
        return false;
    }
}

void RemapAdjacency(const Plan& plan, std::uint32_t* adjacency)
{
    const std::size_t faceCount = plan.FaceOrder.size();
    if (faceCount == 0 || adjacency == nullptr)
    {
        return;
    }
    try
    {
        std::vector<std::uint32_t> oldRows(adjacency, adjacency + faceCount * 3);
        std::vector<std::uint32_t> newFace(faceCount);
        for (std::size_t i = 0; i < faceCount; ++i)
        {
            newFace[plan.FaceOrder[i]] = std::uint32_t(i);
        }
        for (std::size_t i = 0; i < faceCount; ++i)
        {
            const std::uint32_t* source = &oldRows[std::size_t(plan.FaceOrder[i]) * 3];
            for (int k = 0; k < 3; ++k)
            {
                // Open edges (0xFFFFFFFF) and anything else out of range stay as they are.
                const std::uint32_t neighbour = source[k];
                adjacency[i * 3 + k] = neighbour < faceCount ? newFace[neighbour] : neighbour;
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        // Without room for a copy the array is left untouched.
    }
}

double AverageCacheMissRatio(const std::uint32_t* indices, std::uint32_t faceCount,
                             std::uint32_t cacheSize)
{
    if (faceCount == 0 || faceCount > 0x3FFFFFFFu || indices == nullptr)
    {
        return 0.0;
    }
    const std::size_t cornerCount = std::size_t(faceCount) * 3;
    if (cacheSize == 0)
    {
        return 3.0;
    }
    std::uint32_t maxIndex = 0;
    for (std::size_t i = 0; i < cornerCount; ++i)
    {
        maxIndex = indices[i] > maxIndex ? indices[i] : maxIndex;
    }

    // A FIFO never reorders on a hit, so a vertex is cached exactly when fewer than cacheSize
    // misses happened since its own last miss: one time stamp per vertex is the whole cache.
    try
    {
        // Stamps are kept per index value; far larger values than corners (never in a real
        // index buffer) are first mapped to dense numbers.
        std::vector<std::uint32_t> distinct;
        const bool sparse = maxIndex / 4 > cornerCount;
        if (sparse)
        {
            distinct.assign(indices, indices + cornerCount);
            std::sort(distinct.begin(), distinct.end());
            distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        }
        std::vector<std::uint32_t> loadedAt(sparse ? distinct.size() : std::size_t(maxIndex) + 1, 0);
        std::uint32_t misses = 0;
        for (std::size_t i = 0; i < cornerCount; ++i)
        {
            const std::size_t slot =
                sparse ? std::size_t(std::lower_bound(distinct.begin(), distinct.end(), indices[i]) - distinct.begin())
                       : indices[i];
            std::uint32_t& stamp = loadedAt[slot];
            // stamp is the number of the miss that loaded the vertex, 0 when never loaded.
            if (stamp == 0 || misses - stamp >= cacheSize)
            {
                ++misses;
                stamp = misses;
            }
        }
        return double(misses) / double(faceCount);
    }
    catch (const std::bad_alloc&)
    {
        return 0.0;
    }
}
} // namespace VertexCache
