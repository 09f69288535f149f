#pragma once
// Triangle meshes built from parametric surfaces. Plain C++: the generator runs at build time
// and must give the same bytes on every run, so nothing here depends on time or global state.
#include <cstdint>
#include <functional>
#include <vector>

namespace Assets
{
struct Vec3
{
    double x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec3 operator*(double s, Vec3 a)
{
    return a * s;
}
double Dot(Vec3 a, Vec3 b);
Vec3 Cross(Vec3 a, Vec3 b);
double Length(Vec3 a);
Vec3 Normalize(Vec3 a);
Vec3 Lerp(Vec3 a, Vec3 b, double t);
double Clamp01(double v);
double SmoothStep(double e0, double e1, double v);

struct Box
{
    Vec3 Min, Max;
};

struct TriMesh
{
    std::vector<Vec3> Positions;
    std::vector<Vec3> Normals;             // filled by ComputeNormals
    std::vector<double> U, V;              // one texture coordinate per vertex
    std::vector<std::uint32_t> Indices;    // three per face; cross(b - a, c - a) points outwards
    std::vector<std::uint32_t> Attributes; // one per face

    std::uint32_t FaceCount() const { return static_cast<std::uint32_t>(Indices.size() / 3); }
};

// A closed surface of sphere topology: t runs from one pole (0) to the other (1), s once
// around (s = 1 is s = 0 again). rings >= 2, segments >= 3. The part is oriented so that its
// faces point outwards (positive enclosed volume). Returns the first face of the part.
using SurfaceFunction = std::function<Vec3(double t, double s)>;
std::uint32_t AddSurface(TriMesh& mesh, int rings, int segments, const SurfaceFunction& surface,
                         std::uint32_t attribute = 0);

// Ready-made parts on top of AddSurface.
std::uint32_t AddEllipsoid(TriMesh& mesh, Vec3 centre, Vec3 radii, int rings, int segments,
                           std::uint32_t attribute = 0);
// Capsule from a to b with radius ra at a and rb at b, rounded ends.
std::uint32_t AddCapsule(TriMesh& mesh, Vec3 a, Vec3 b, double ra, double rb, int rings, int segments,
                         std::uint32_t attribute = 0);
// Rounded box (superellipsoid); sharpness 1 = ellipsoid, towards 0 = box.
std::uint32_t AddRoundedBox(TriMesh& mesh, Vec3 centre, Vec3 half, double sharpness, int rings, int segments,
                            std::uint32_t attribute = 0);
// Tube along path(u), u in [0, 1], closed by round caps. radius(u, angle) gives the section
// radius in the direction `angle` around the path (angle 0 = along `up`, projected).
std::uint32_t AddSweep(TriMesh& mesh, const std::function<Vec3(double)>& path,
                       const std::function<double(double, double)>& radius, Vec3 up, int rings, int segments,
                       std::uint32_t attribute = 0);

// Sum of the signed volumes of the tetrahedra (origin, face); positive when faces point outwards.
double SignedVolume(const TriMesh& mesh, std::uint32_t firstFace, std::uint32_t faceCount);
void FlipFaces(TriMesh& mesh, std::uint32_t firstFace, std::uint32_t faceCount);

Box BoundingBox(const TriMesh& mesh);
// Maps the mesh's bounding box onto `target`, axis by axis.
void FitToBox(TriMesh& mesh, const Box& target);
// Area-weighted vertex normals from the faces.
void ComputeNormals(TriMesh& mesh);
// Applies p -> (m[0] p.x + m[1] p.y + m[2] p.z, ...); m must be a rotation (keeps the winding).
void Rotate(TriMesh& mesh, const double m[9]);
// Stable reorder of the faces by attribute; returns the face count of each attribute 0..n-1.
std::vector<std::uint32_t> SortFacesByAttribute(TriMesh& mesh, std::uint32_t attributeCount);
} // namespace Assets
