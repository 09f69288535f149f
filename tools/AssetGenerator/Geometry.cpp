#include "Geometry.h"

#include <cmath>

namespace Assets
{
namespace
{
const double Pi = 3.14159265358979323846;
}

double Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(Vec3 a)
{
    return std::sqrt(Dot(a, a));
}
Vec3 Normalize(Vec3 a)
{
    double l = Length(a);
    return l > 0.0 ? a * (1.0 / l) : Vec3{0.0, 0.0, 0.0};
}
Vec3 Lerp(Vec3 a, Vec3 b, double t)
{
    return a + (b - a) * t;
}
double Clamp01(double v)
{
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}
double SmoothStep(double e0, double e1, double v)
{
    double t = Clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

std::uint32_t AddSurface(TriMesh& mesh, int rings, int segments, const SurfaceFunction& surface,
                         std::uint32_t attribute)
{
    const std::uint32_t firstFace = mesh.FaceCount();
    const std::uint32_t base = static_cast<std::uint32_t>(mesh.Positions.size());
    auto addVertex = [&mesh](Vec3 p) {
        mesh.Positions.push_back(p);
        mesh.U.push_back(0.0);
        mesh.V.push_back(0.0);
    };
    auto ring = [base, segments](int i, int j) { // i in 1..rings-1
        return base + 1 + static_cast<std::uint32_t>((i - 1) * segments + (j % segments));
    };
    auto face = [&mesh, attribute](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        mesh.Indices.push_back(a);
        mesh.Indices.push_back(b);
        mesh.Indices.push_back(c);
        mesh.Attributes.push_back(attribute);
    };

    addVertex(surface(0.0, 0.0));
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < segments; ++j)
            addVertex(surface(static_cast<double>(i) / rings, static_cast<double>(j) / segments));
    addVertex(surface(1.0, 0.0));
    const std::uint32_t lastPole = static_cast<std::uint32_t>(mesh.Positions.size() - 1);

    for (int j = 0; j < segments; ++j)
        face(base, ring(1, j), ring(1, j + 1));
    for (int i = 1; i + 1 < rings; ++i)
        for (int j = 0; j < segments; ++j)
        {
            face(ring(i, j), ring(i + 1, j), ring(i + 1, j + 1));
            face(ring(i, j), ring(i + 1, j + 1), ring(i, j + 1));
        }
    for (int j = 0; j < segments; ++j)
        face(lastPole, ring(rings - 1, j + 1), ring(rings - 1, j));

    const std::uint32_t count = mesh.FaceCount() - firstFace;
    if (SignedVolume(mesh, firstFace, count) < 0.0)
        FlipFaces(mesh, firstFace, count);
    return firstFace;
}

std::uint32_t AddEllipsoid(TriMesh& mesh, Vec3 centre, Vec3 radii, int rings, int segments, std::uint32_t attribute)
{
    return AddSurface(
        mesh, rings, segments,
        [centre, radii](double t, double s) {
            double theta = Pi * t, phi = 2.0 * Pi * s;
            return Vec3{centre.x + radii.x * std::sin(theta) * std::cos(phi), centre.y + radii.y * std::cos(theta),
                        centre.z + radii.z * std::sin(theta) * std::sin(phi)};
        },
        attribute);
}

std::uint32_t AddCapsule(TriMesh& mesh, Vec3 a, Vec3 b, double ra, double rb, int rings, int segments,
                         std::uint32_t attribute)
{
    Vec3 axis = Normalize(b - a);
    Vec3 up = std::fabs(axis.y) < 0.9 ? Vec3{0.0, 1.0, 0.0} : Vec3{1.0, 0.0, 0.0};
    return AddSweep(
        mesh, [a, b](double u) { return Lerp(a, b, u); }, [ra, rb](double u, double) { return ra + (rb - ra) * u; }, up,
        rings, segments, attribute);
}

namespace
{
double SignedPow(double v, double e)
{
    double m = std::pow(std::fabs(v), e);
    return v < 0.0 ? -m : m;
}
} // namespace

std::uint32_t AddRoundedBox(TriMesh& mesh, Vec3 centre, Vec3 half, double sharpness, int rings, int segments,
                            std::uint32_t attribute)
{
    return AddSurface(
        mesh, rings, segments,
        [centre, half, sharpness](double t, double s) {
            double eta = Pi * 0.5 - Pi * t, omega = 2.0 * Pi * s;
            double ce = SignedPow(std::cos(eta), sharpness);
            return Vec3{centre.x + half.x * ce * SignedPow(std::cos(omega), sharpness),
                        centre.y + half.y * SignedPow(std::sin(eta), sharpness),
                        centre.z + half.z * ce * SignedPow(std::sin(omega), sharpness)};
        },
        attribute);
}

std::uint32_t AddSweep(TriMesh& mesh, const std::function<Vec3(double)>& path,
                       const std::function<double(double, double)>& radius, Vec3 up, int rings, int segments,
                       std::uint32_t attribute)
{
    const double cap = 0.12; // share of the rings spent on each round end
    auto frame = [&path, up](double u, Vec3& t, Vec3& n, Vec3& b) {
        const double h = 1e-4;
        t = Normalize(path(u + h > 1.0 ? 1.0 : u + h) - path(u - h < 0.0 ? 0.0 : u - h));
        n = Normalize(up - t * Dot(up, t));
        b = Cross(t, n);
    };
    auto meanRadius = [&radius](double u) {
        return 0.25 * (radius(u, 0.0) + radius(u, 0.5 * Pi) + radius(u, Pi) + radius(u, 1.5 * Pi));
    };
    return AddSurface(
        mesh, rings, segments,
        [&](double t, double s) {
            double angle = 2.0 * Pi * s;
            double u, scale = 1.0, along = 0.0;
            if (t < cap)
            {
                double alpha = t / cap * Pi * 0.5;
                u = 0.0;
                scale = std::sin(alpha);
                along = -meanRadius(0.0) * std::cos(alpha);
            }
            else if (t > 1.0 - cap)
            {
                double alpha = (1.0 - t) / cap * Pi * 0.5;
                u = 1.0;
                scale = std::sin(alpha);
                along = meanRadius(1.0) * std::cos(alpha);
            }
            else
                u = (t - cap) / (1.0 - 2.0 * cap);
            Vec3 tangent, normal, binormal;
            frame(u, tangent, normal, binormal);
            double r = radius(u, angle) * scale;
            return path(u) + tangent * along + normal * (r * std::cos(angle)) + binormal * (r * std::sin(angle));
        },
        attribute);
}

double SignedVolume(const TriMesh& mesh, std::uint32_t firstFace, std::uint32_t faceCount)
{
    double volume = 0.0;
    for (std::uint32_t f = firstFace; f < firstFace + faceCount; ++f)
    {
        Vec3 a = mesh.Positions[mesh.Indices[3 * f]];
        Vec3 b = mesh.Positions[mesh.Indices[3 * f + 1]];
        Vec3 c = mesh.Positions[mesh.Indices[3 * f + 2]];
        volume += Dot(a, Cross(b, c));
    }
    return volume / 6.0;
}

void FlipFaces(TriMesh& mesh, std::uint32_t firstFace, std::uint32_t faceCount)
{
    for (std::uint32_t f = firstFace; f < firstFace + faceCount; ++f)
    {
        std::uint32_t t = mesh.Indices[3 * f + 1];
        mesh.Indices[3 * f + 1] = mesh.Indices[3 * f + 2];
        mesh.Indices[3 * f + 2] = t;
    }
}

Box BoundingBox(const TriMesh& mesh)
{
    Box box{mesh.Positions.front(), mesh.Positions.front()};
    for (const Vec3& p : mesh.Positions)
    {
        box.Min = {std::fmin(box.Min.x, p.x), std::fmin(box.Min.y, p.y), std::fmin(box.Min.z, p.z)};
        box.Max = {std::fmax(box.Max.x, p.x), std::fmax(box.Max.y, p.y), std::fmax(box.Max.z, p.z)};
    }
    return box;
}

void FitToBox(TriMesh& mesh, const Box& target)
{
    Box box = BoundingBox(mesh);
    auto map = [](double v, double lo, double hi, double tlo, double thi) {
        return tlo + (v - lo) / (hi - lo) * (thi - tlo);
    };
    for (Vec3& p : mesh.Positions)
        p = {map(p.x, box.Min.x, box.Max.x, target.Min.x, target.Max.x),
             map(p.y, box.Min.y, box.Max.y, target.Min.y, target.Max.y),
             map(p.z, box.Min.z, box.Max.z, target.Min.z, target.Max.z)};
}

void ComputeNormals(TriMesh& mesh)
{
    mesh.Normals.assign(mesh.Positions.size(), Vec3{0.0, 0.0, 0.0});
    for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f)
    {
        std::uint32_t ia = mesh.Indices[3 * f], ib = mesh.Indices[3 * f + 1], ic = mesh.Indices[3 * f + 2];
        Vec3 n = Cross(mesh.Positions[ib] - mesh.Positions[ia], mesh.Positions[ic] - mesh.Positions[ia]);
        mesh.Normals[ia] = mesh.Normals[ia] + n;
        mesh.Normals[ib] = mesh.Normals[ib] + n;
        mesh.Normals[ic] = mesh.Normals[ic] + n;
    }
    for (Vec3& n : mesh.Normals)
        n = Normalize(n);
}

void Rotate(TriMesh& mesh, const double m[9])
{
    for (Vec3& p : mesh.Positions)
        p = {m[0] * p.x + m[1] * p.y + m[2] * p.z, m[3] * p.x + m[4] * p.y + m[5] * p.z,
             m[6] * p.x + m[7] * p.y + m[8] * p.z};
}

std::vector<std::uint32_t> SortFacesByAttribute(TriMesh& mesh, std::uint32_t attributeCount)
{
    std::vector<std::uint32_t> counts(attributeCount, 0);
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> attributes;
    indices.reserve(mesh.Indices.size());
    attributes.reserve(mesh.Attributes.size());
    for (std::uint32_t a = 0; a < attributeCount; ++a)
        for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f)
            if (mesh.Attributes[f] == a)
            {
                indices.insert(indices.end(), mesh.Indices.begin() + 3 * f, mesh.Indices.begin() + 3 * f + 3);
                attributes.push_back(a);
                ++counts[a];
            }
    mesh.Indices.swap(indices);
    mesh.Attributes.swap(attributes);
    return counts;
}
} // namespace Assets
