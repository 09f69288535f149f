// Tipsify (Sander, Nehab and Barczak, "Fast Triangle Reordering for Vertex Locality and
// Reduced Overdraw", 2007): emit every remaining triangle around one vertex (a fan), then move
// to the vertex just used whose own remaining fan would still find it in a FIFO of the given
// size. Linear in the corner count: each triangle list is walked once, when its vertex is
// the fan centre. Triangles keep their corner order, so winding is untouched.
#include "VertexCacheSteps.h"

#if defined(_M_IX86) || defined(_M_X64) || defined(__i386__) || defined(__x86_64__)
#include <xmmintrin.h>
#define VEXA_HAS_SSE_PREFETCH 1
#else
#define VEXA_HAS_SSE_PREFETCH 0
#endif

namespace VertexCache
{
namespace Steps
{
namespace
{
// What a vertex needs at every corner, side by side: one cache line read, not two.
struct VertexState
{
    std::uint32_t Live;  // triangles not yet emitted
    std::uint32_t Stamp; // clock when the FIFO last loaded it
};

// The state of one run. Plain pointers and counters in a local object: the hot loops keep
// them in registers, as they could not if the order written through `order` might alias them.
struct Tipsify
{
    const std::uint32_t* Indices;
    const std::uint32_t* Offsets;
    const std::uint32_t* Triangles;
    VertexState* Vertices;
    std::uint8_t* Emitted;   // triangle -> already in the order
    std::uint32_t* DeadEnds; // the fans' other vertices, latest last
    std::size_t DeadEndCount;
    std::uint32_t Clock; // FIFO time: one tick per miss
    std::uint32_t CacheSize;
    std::uint32_t VertexCount;
    std::uint32_t Cursor;    // vertices below it have no triangle left
    std::uint32_t* FirstUse; // vertices in order of first use
};

// Triangle numbers this far apart hold their corners 12 KB apart or more: a mesh laid out in
// long rows or rings (the lizard's body) has such neighbours, not only one whose faces came
// scattered.
const std::uint32_t ScatteredTriangles = 1024;

// A hint that memory is about to be read (SSE, on every x86 and x64 compiler); no effect on results.
inline void Prefetch(const void* address)
{
#if VEXA_HAS_SSE_PREFETCH
    _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#else
    static_cast<void>(address);
#endif
}

inline std::uint32_t* EmitFan(Tipsify& run, std::uint32_t fan, std::uint32_t* order)
{
    const std::uint32_t* list = run.Triangles + run.Offsets[fan];
    const std::uint32_t* end = run.Triangles + run.Offsets[fan + 1];
    std::uint32_t clock = run.Clock;
    std::uint32_t* deadEnd = run.DeadEnds + run.DeadEndCount;
    std::uint32_t* firstUse = run.FirstUse;
    // Where the faces came scattered, a vertex's triangles (the list is ascending) are far
    // apart in memory, and seldom cached: asked for all at once, their corners arrive together
    // instead of one after another. Near ones are mostly cached already: not worth asking.
    if (list != end && end[-1] - list[0] > ScatteredTriangles)
    {
        for (const std::uint32_t* ahead = list; ahead != end; ++ahead)
        {
            Prefetch(run.Indices + std::size_t(*ahead) * 3);
        }
    }
    for (; list != end; ++list)
    {
        const std::uint32_t t = *list;
        if (run.Emitted[t])
        {
            continue;
        }
        run.Emitted[t] = 1;
        *order++ = t;
        const std::uint32_t* corners = run.Indices + std::size_t(t) * 3;
        for (int k = 0; k < 3; ++k)
        {
            const std::uint32_t v = corners[k];
            VertexState& state = run.Vertices[v];
            // The centre has no triangle left by the end of its fan: never worth a place among
            // the dead ends, nor its count taken down triangle by triangle (each decrement
            // would wait for the last): it is set to none at the end.
            *deadEnd = v;
            if (v != fan)
            {
                ++deadEnd;
                --state.Live;
            }
            // A miss: the FIFO loads v now, and keeps it for cacheSize more misses.
            if (clock - state.Stamp > run.CacheSize)
            {
                // Stamps start at 0, below every clock value: never loaded before.
                if (state.Stamp == 0)
                {
                    *firstUse++ = v;
                }
                state.Stamp = clock++;
            }
        }
    }
    run.Vertices[fan].Live = 0;
    run.Clock = clock;
    run.FirstUse = firstUse;
    run.DeadEndCount = std::size_t(deadEnd - run.DeadEnds);
    return order;
}

// The first vertex in input numbering that has triangles left.
inline std::uint32_t NextInInputOrder(Tipsify& run)
{
    // Runs of finished or unused vertices (a group over part of the vertex buffer has long
    // ones) are passed four at a time.
    const VertexState* vertices = run.Vertices;
    std::uint32_t cursor = run.Cursor;
    while (run.VertexCount - cursor >= 4 && (vertices[cursor].Live | vertices[cursor + 1].Live |
                                             vertices[cursor + 2].Live | vertices[cursor + 3].Live) == 0)
    {
        cursor += 4;
    }
    while (cursor < run.VertexCount && vertices[cursor].Live == 0)
    {
        ++cursor;
    }
    run.Cursor = cursor;
    return cursor < run.VertexCount ? cursor : None;
}

// The dead end put last that still has triangles, taken off with those above it; None when
// no dead end has any left.
inline std::uint32_t PopDeadEnd(Tipsify& run)
{
    const std::uint32_t* deadEnds = run.DeadEnds;
    const VertexState* vertices = run.Vertices;
    std::size_t count = run.DeadEndCount;
    // By the time they are looked at most are done: passed four at a time while all four are.
    while (count >= 4 && (vertices[deadEnds[count - 1]].Live | vertices[deadEnds[count - 2]].Live |
                          vertices[deadEnds[count - 3]].Live | vertices[deadEnds[count - 4]].Live) == 0)
    {
        count -= 4;
    }
    std::uint32_t next = None;
    while (next == None && count > 0)
    {
        const std::uint32_t v = deadEnds[--count];
        next = vertices[v].Live > 0 ? v : None;
    }
    run.DeadEndCount = count;
    return next;
}

// Among the vertices of the fan just emitted, the oldest one whose whole remaining fan would
// still find it in the cache; failing that any with triangles left; failing that the most
// recently used vertex that has; failing that the first in input numbering.
inline std::uint32_t NextFanCentre(Tipsify& run, std::size_t fanStart)
{
    std::uint32_t next = None;
    std::uint32_t nextPriority = 0;
    for (std::size_t i = fanStart; i < run.DeadEndCount; ++i)
    {
        const std::uint32_t v = run.DeadEnds[i];
        const VertexState& state = run.Vertices[v];
        const std::uint32_t live = state.Live;
        if (live == 0)
        {
            continue;
        }
        // Each remaining triangle brings at most two new vertices into the FIFO.
        const std::uint32_t age = run.Clock - state.Stamp;
        const bool fits = age <= run.CacheSize && live <= (run.CacheSize - age) / 2;
        const std::uint32_t priority = fits ? age + 1 : 0;
        if (next == None || priority > nextPriority)
        {
            nextPriority = priority;
            next = v;
            // Likely the next fan: its list is asked for while the others are looked at.
            Prefetch(run.Triangles + run.Offsets[v]);
        }
    }
    if (next != None)
    {
        return next;
    }
    // None chosen: every vertex of this fan is done; the dead ends go on below them.
    run.DeadEndCount = fanStart;
    next = PopDeadEnd(run);
    return next != None ? next : NextInInputOrder(run);
}
} // namespace

std::uint32_t TipsifyOrder(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                           const VertexTriangles& around, std::uint32_t cacheSize, std::uint32_t* order,
                           std::uint32_t* firstUse, std::uint32_t& usedVertices)
{
    const std::unique_ptr<VertexState[]> vertices = Uninitialised<VertexState>(vertexCount);
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        vertices[v].Live = around.Offsets[v + 1] - around.Offsets[v];
        vertices[v].Stamp = 0;
    }
    std::vector<std::uint8_t> emitted(faceCount, 0);
    // A fan's triangles all have its centre, which never goes there: two places per triangle,
    // and one for the store past the top that does not count.
    const std::unique_ptr<std::uint32_t[]> deadEnds = Uninitialised<std::uint32_t>(std::size_t(faceCount) * 2 + 1);
    Tipsify run = {indices,
                   around.Offsets.data(),
                   around.Triangles.get(),
                   vertices.get(),
                   emitted.data(),
                   deadEnds.get(),
                   0,
                   cacheSize + 1,
                   cacheSize,
                   vertexCount,
                   0,
                   firstUse};
    // Once every triangle is out there is no next fan to look for: the search would only
    // drain the dead ends and walk the vertices left to the end of the numbering. The loop
    // still stops on no fan, so that a fan is never looked up past the vertices.
    const std::uint32_t* orderEnd = order + faceCount;
    for (std::uint32_t fan = NextInInputOrder(run); fan != None;)
    {
        const std::size_t fanStart = run.DeadEndCount;
        order = EmitFan(run, fan, order);
        fan = order != orderEnd ? NextFanCentre(run, fanStart) : None;
    }
    usedVertices = std::uint32_t(run.FirstUse - firstUse);
    return run.Clock - (cacheSize + 1); // one tick per miss
}
} // namespace Steps
} // namespace VertexCache
