#pragma once
// Index buffers for the optimiser tests, and slow, obvious reference computations to check
// the optimiser's results against.
#include <cstdint>
#include <vector>

namespace MeshMaker
{
using Indices = std::vector<std::uint32_t>;

// cellsX x cellsY quads, two triangles each, cells in scanline order; (cellsX+1)*(cellsY+1) vertices.
Indices Grid(std::uint32_t cellsX, std::uint32_t cellsY);
// Closed latitude/longitude sphere with one vertex per pole; vertex count in vertexCount.
Indices Sphere(std::uint32_t slices, std::uint32_t stacks, std::uint32_t& vertexCount);
// Closed torus of rings x segments quads, two triangles each; rings * segments vertices.
Indices Torus(std::uint32_t rings, std::uint32_t segments);
// triangleCount triangles around vertex 0 (a hub), each sharing an edge with the next, as a
// crafted file could give them; triangleCount + 1 vertices.
Indices Fan(std::uint32_t triangleCount);
// faceCount triangles of three distinct random vertices below vertexCount.
Indices Soup(std::uint32_t faceCount, std::uint32_t vertexCount, std::uint32_t seed);
// An irregular mesh: the mesh after `collapses` random edge collapses (one end vertex merged
// into the other), faces that collapsed dropped. Vertex numbers stay; merged ones go unused.
Indices Collapse(const Indices& indices, std::uint32_t vertexCount, std::uint32_t collapses, std::uint32_t seed);
// The same faces in a random order (each face keeps its corners).
Indices ShuffleFaces(const Indices& indices, std::uint32_t seed);

// Faces in the plan's order with vertices renumbered: the index buffer the plan describes.
Indices Apply(const std::vector<std::uint32_t>& faceOrder, const std::vector<std::uint32_t>& vertexRemap,
              const Indices& indices);

// Face adjacency by shared edges: entry 3f+k is the face that holds the edge from corner k to
// corner k+1 of face f in the opposite direction, 0xFFFFFFFF when none. Meant for manifold
// test meshes, where that face is unique.
std::vector<std::uint32_t> EdgeAdjacency(const Indices& indices);

// Misses per face of a FIFO cache of cacheSize entries, simulated with an explicit queue.
double ReferenceFifoMissRatio(const Indices& indices, std::uint32_t cacheSize);
} // namespace MeshMaker
