#include "Models.h"

#include "AssetDesign.h"

#include <cmath>

namespace Assets
{
namespace
{
const double Pi = 3.14159265358979323846;

Box ToBox(const AssetDesign::Box& b)
{
    return {{b.MinX, b.MinY, b.MinZ}, {b.MaxX, b.MaxY, b.MaxZ}};
}

// Piecewise profile through (u, value) points, eased between them.
double Profile(const double (*points)[2], int count, double u)
{
    if (u <= points[0][0])
        return points[0][1];
    for (int i = 1; i < count; ++i)
        if (u <= points[i][0])
        {
            double k = SmoothStep(points[i - 1][0], points[i][0], u);
            return points[i - 1][1] + (points[i][1] - points[i - 1][1]) * k;
        }
    return points[count - 1][1];
}

// Radius of an ellipse with half-axes ra (angle 0) and rb (angle pi/2) in direction angle.
double EllipseRadius(double ra, double rb, double angle)
{
    double c = std::cos(angle) / ra, s = std::sin(angle) / rb;
    return 1.0 / std::sqrt(c * c + s * s);
}

// Vertical column around (cx, cz) from y0 to y1 with flat ends. radius(u, angle): angle 0
// points towards -x, pi/2 towards +z.
std::uint32_t AddColumn(TriMesh& mesh, double cx, double cz, double y0, double y1,
                        const std::function<double(double, double)>& radius, int rings, int segments)
{
    const double flat = 0.04;
    return AddSurface(mesh, rings, segments, [=](double t, double s) {
        double angle = 2.0 * Pi * s, u, scale = 1.0;
        if (t < flat)
        {
            u = 0.0;
            scale = t / flat;
        }
        else if (t > 1.0 - flat)
        {
            u = 1.0;
            scale = (1.0 - t) / flat;
        }
        else
            u = (t - flat) / (1.0 - 2.0 * flat);
        double r = radius(u, angle) * scale;
        return Vec3{cx - r * std::cos(angle), y0 + (y1 - y0) * u, cz + r * std::sin(angle)};
    });
}

// Farthest hit of the ray origin + r * dir with an ellipsoid, or 0 when it misses.
double RayEllipsoid(Vec3 origin, Vec3 dir, Vec3 centre, Vec3 radii)
{
    Vec3 o = {(origin.x - centre.x) / radii.x, (origin.y - centre.y) / radii.y, (origin.z - centre.z) / radii.z};
    Vec3 e = {dir.x / radii.x, dir.y / radii.y, dir.z / radii.z};
    double a = Dot(e, e), b = 2.0 * Dot(o, e), c = Dot(o, o) - 1.0;
    double disc = b * b - 4.0 * a * c;
    if (disc < 0.0)
        return 0.0;
    double r = (-b + std::sqrt(disc)) / (2.0 * a);
    return r > 0.0 ? r : 0.0;
}

// Anisotropic Gaussian bump around f.
double Bump(Vec3 p, Vec3 f, Vec3 sigma)
{
    Vec3 d = {(p.x - f.x) / sigma.x, (p.y - f.y) / sigma.y, (p.z - f.z) / sigma.z};
    return std::exp(-Dot(d, d));
}

void Finish(TriMesh& mesh, const AssetDesign::Box& box)
{
    FitToBox(mesh, ToBox(box));
    ComputeNormals(mesh);
}

// Texture coordinates from a planar projection: u along one axis, v along another, both
// spanning the bounding box. No seam anywhere, so every part stays welded and smooth.
void ProjectUV(TriMesh& mesh, int uAxis, bool uFlip, int vAxis, bool vFlip)
{
    Box box = BoundingBox(mesh);
    auto component = [](const Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); };
    for (size_t i = 0; i < mesh.Positions.size(); ++i)
    {
        double u = (component(mesh.Positions[i], uAxis) - component(box.Min, uAxis)) /
                   (component(box.Max, uAxis) - component(box.Min, uAxis));
        double v = (component(mesh.Positions[i], vAxis) - component(box.Min, vAxis)) /
                   (component(box.Max, vAxis) - component(box.Min, vAxis));
        mesh.U[i] = uFlip ? 1.0 - u : u;
        mesh.V[i] = vFlip ? 1.0 - v : v;
    }
}

// Cranium, face and jaw as one star-shaped surface around SkullCentre: a smooth union of
// ellipsoids, then sockets and cavities pressed in along the rays.
const Vec3 SkullCentre = {0.0, 1.2, 0.0};
struct SkullLobe
{
    Vec3 C, R;
};
const SkullLobe SkullLobes[] = {
    {{0.0, 2.6, 0.5}, {3.2, 3.3, 3.7}},                                         // cranium
    {{0.0, 0.4, -2.0}, {2.4, 2.0, 1.9}},                                        // face
    {{2.0, 0.5, -1.7}, {0.65, 0.45, 1.3}},                                      // cheekbones
    {{-2.0, 0.5, -1.7}, {0.65, 0.45, 1.3}}, {{0.0, 0.8, 1.4}, {2.4, 1.8, 2.4}}, // skull base
    {{0.0, -0.9, -2.1}, {1.7, 0.9, 1.5}},                                       // upper jaw
};
struct SkullDent
{
    Vec3 F, Sigma;
    double Depth; // negative: raised
};
const SkullDent SkullDents[] = {
    {{1.2, 1.35, -3.5}, {0.66, 0.58, 1.2}, 2.3}, // eye sockets
    {{-1.2, 1.35, -3.5}, {0.66, 0.58, 1.2}, 2.3},
    {{0.0, 0.1, -3.9}, {0.25, 0.55, 1.1}, 1.8}, // nose cavity, pear-shaped
    {{0.0, -0.3, -3.9}, {0.38, 0.28, 1.1}, 1.1},
    {{3.1, 1.9, -1.2}, {0.8, 1.0, 1.0}, 0.35}, // temples
    {{-3.1, 1.9, -1.2}, {0.8, 1.0, 1.0}, 0.35},
    {{1.2, 2.25, -3.7}, {0.8, 0.25, 0.6}, -0.22}, // brow ridges
    {{-1.2, 2.25, -3.7}, {0.8, 0.25, 0.6}, -0.22},
    {{1.75, -0.5, -2.7}, {0.5, 0.5, 0.5}, 0.3}, // under the cheekbones
    {{-1.75, -0.5, -2.7}, {0.5, 0.5, 0.5}, 0.3},
    {{0.0, 4.2, 1.8}, {2.5, 1.5, 2.0}, -0.15}, // a fuller crown at the back
};

// The skull's surface point in direction dir from SkullCentre.
Vec3 SkullPoint(Vec3 dir)
{
    const double k = 5.0;
    double sum = 0.0;
    for (const SkullLobe& l : SkullLobes)
        sum += std::exp(k * RayEllipsoid(SkullCentre, dir, l.C, l.R));
    double r = std::log(sum) / k;
    Vec3 p = SkullCentre + dir * r;
    for (const SkullDent& d : SkullDents)
        r -= d.Depth * Bump(p, d.F, d.Sigma);
    return SkullCentre + dir * r;
}

void AddCranium(TriMesh& mesh)
{
    AddSurface(mesh, 80, 128, [](double t, double s) {
        double theta = Pi * t, phi = 2.0 * Pi * s;
        Vec3 dir = {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
        return SkullPoint(dir);
    });
}

// Lower jaw: a U-shaped bar under the upper jaw, then the two rami up to the skull's sides.
void AddLowerJaw(TriMesh& mesh)
{
    auto jaw = [](double u) {
        const double side = 0.18;
        if (u < side || u > 1.0 - side)
        {
            double k = u < side ? (side - u) / side : (u - (1.0 - side)) / side;
            double x = u < side ? -1.3 : 1.3;
            return Vec3{x + (x < 0.0 ? -0.5 : 0.5) * k, -2.85 + 0.1 * k, -2.1 + 1.9 * k};
        }
        double a = Pi * (u - side) / (1.0 - 2.0 * side);
        return Vec3{-1.3 * std::cos(a), -2.85 - 0.15 * std::sin(a), -2.1 - 1.02 * std::sin(a)};
    };
    AddSweep(
        mesh, jaw,
        [](double u, double angle) {
            double chin = std::exp(-std::pow((u - 0.5) / 0.08, 2.0));
            return EllipseRadius(0.45 + 0.12 * chin, 0.26 + 0.06 * chin, angle);
        },
        {0.0, 1.0, 0.0}, 70, 24);
    AddCapsule(mesh, {-1.8, -2.75, -0.2}, {-2.25, -0.4, 0.7}, 0.3, 0.24, 20, 16);
    AddCapsule(mesh, {1.8, -2.75, -0.2}, {2.25, -0.4, 0.7}, 0.3, 0.24, 20, 16);
}

// Teeth: an upper and a lower row on the jaws' front arc.
void AddTeeth(TriMesh& mesh)
{
    const int teeth = 12;
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < teeth; ++i)
        {
            double a = Pi * (0.1 + 0.8 * (i + 0.5) / teeth);
            double front = std::sin(a);
            Vec3 c = {-1.28 * std::cos(a), row == 0 ? -1.82 : -2.4, -2.1 - 1.04 * std::sin(a)};
            AddEllipsoid(mesh, c, {0.13 + 0.05 * (1.0 - front), 0.27, 0.11}, 8, 12);
        }
}
} // namespace

TriMesh BuildSkull()
{
    TriMesh mesh;
    AddCranium(mesh);
    AddLowerJaw(mesh);
    AddTeeth(mesh);
    ProjectUV(mesh, 0, false, 1, true);
    Finish(mesh, AssetDesign::SkullBox);
    return mesh;
}

TriMesh BuildVenus()
{
    TriMesh mesh;
    // Plinth and its cornice.
    AddRoundedBox(mesh, {0.0, -1.0, 0.0}, {0.6, 0.2, 0.6}, 0.18, 32, 48);
    AddRoundedBox(mesh, {0.0, -0.76, 0.0}, {0.5, 0.05, 0.5}, 0.2, 24, 48);

    // Drapery from the feet to the hips, folded vertically and flaring at the hem.
    const double drape[][2] = {{0.0, 0.36}, {0.15, 0.3}, {0.4, 0.27}, {0.8, 0.31}, {1.0, 0.27}};
    AddColumn(
        mesh, 0.0, 0.0, -0.74, 0.55,
        [&](double u, double angle) {
            double r = Profile(drape, 5, u);
            double folds =
                1.0 + 0.07 * (1.0 - u) * std::sin(11.0 * angle + 2.5 * u) + 0.03 * std::sin(5.0 * angle - 4.0 * u);
            return EllipseRadius(0.8 * r, r, angle) * folds;
        },
        60, 72);
    // A knot of cloth at the hip.
    AddEllipsoid(mesh, {-0.16, 0.5, 0.12}, {0.12, 0.07, 0.16}, 16, 24);

    // Torso: waist, chest, shoulders.
    const double torso[][2] = {{0.0, 0.27}, {0.3, 0.2}, {0.65, 0.25}, {0.88, 0.29}, {1.0, 0.12}};
    AddColumn(
        mesh, 0.0, 0.0, 0.45, 1.55,
        [&](double u, double angle) {
            double r = Profile(torso, 5, u);
            return EllipseRadius(0.62 * r, r, angle);
        },
        48, 48);
    AddEllipsoid(mesh, {-0.14, 1.18, 0.1}, {0.09, 0.085, 0.085}, 16, 20);
    AddEllipsoid(mesh, {-0.14, 1.18, -0.1}, {0.09, 0.085, 0.085}, 16, 20);

    // Neck, head, nose, hair and bun.
    AddCapsule(mesh, {-0.01, 1.48, 0.0}, {-0.03, 1.8, 0.0}, 0.068, 0.062, 20, 20);
    AddEllipsoid(mesh, {-0.04, 1.92, 0.0}, {0.14, 0.17, 0.12}, 28, 36);
    AddEllipsoid(mesh, {-0.17, 1.9, 0.0}, {0.035, 0.055, 0.022}, 10, 12);
    AddEllipsoid(mesh, {0.0, 1.98, 0.0}, {0.145, 0.14, 0.13}, 24, 32);
    AddEllipsoid(mesh, {0.1, 2.02, 0.0}, {0.085, 0.08, 0.08}, 16, 20);

    // Broken-off arms, as on the famous statue.
    AddCapsule(mesh, {0.0, 1.46, 0.26}, {-0.07, 1.2, 0.35}, 0.075, 0.066, 20, 20);
    AddCapsule(mesh, {0.0, 1.46, -0.26}, {-0.02, 1.26, -0.36}, 0.075, 0.066, 20, 20);

    ProjectUV(mesh, 2, false, 1, true);
    Finish(mesh, AssetDesign::VenusBox);
    return mesh;
}

TriMesh BuildTiny()
{
    TriMesh mesh;
    // Built y up facing -z, turned to z up facing -y at the end.
    for (int side = -1; side <= 1; side += 2)
    {
        double s = side;
        AddCapsule(mesh, {20 * s, -25, 0}, {22 * s, -85, -4}, 15, 12, 24, 20); // thigh
        AddCapsule(mesh, {22 * s, -85, -4}, {22 * s, -135, 0}, 12, 9, 24, 20); // shin
        AddEllipsoid(mesh, {22 * s, -142, -9}, {11, 8, 20}, 16, 24);           // foot
        AddCapsule(mesh, {44 * s, 55, 0}, {56 * s, 10, -4}, 11, 9, 24, 20);    // upper arm
        AddCapsule(mesh, {56 * s, 10, -4}, {60 * s, -32, -12}, 9, 8, 24, 20);  // forearm
        AddEllipsoid(mesh, {60 * s, -42, -13}, {9, 12, 8}, 16, 20);            // hand
        AddEllipsoid(mesh, {28 * s, 102, 0}, {4, 9, 6}, 10, 12);               // ear
    }
    AddEllipsoid(mesh, {0, -20, 0}, {36, 22, 22}, 24, 40); // hips
    const double torso[][2] = {{0.0, 34.0}, {0.45, 33.0}, {0.75, 37.0}, {1.0, 30.0}};
    AddColumn(
        mesh, 0.0, 0.0, -25.0, 62.0,
        [&](double u, double angle) {
            double r = Profile(torso, 4, u);
            // angle 0 faces -x in AddColumn; here the chest faces -z, so depth is at pi/2.
            return EllipseRadius(r, 0.62 * r, angle);
        },
        48, 48);
    AddEllipsoid(mesh, {0, 58, 0}, {44, 12, 20}, 20, 40);      // shoulders
    AddCapsule(mesh, {0, 60, 0}, {0, 82, -1}, 12, 11, 16, 20); // neck
    AddEllipsoid(mesh, {0, 102, -2}, {28, 32, 27}, 32, 40);    // head
    AddEllipsoid(mesh, {0, 100, -29}, {5, 7, 6}, 10, 12);      // nose
    AddEllipsoid(mesh, {0, 114, 3}, {29, 22, 28}, 24, 36);     // hair

    // Front view in the painting's own units (PaintTinySkin): a -75..75 across, b -150..150 up.
    for (size_t i = 0; i < mesh.Positions.size(); ++i)
    {
        mesh.U[i] = (mesh.Positions[i].x + 75.0) / 150.0;
        mesh.V[i] = (150.0 - mesh.Positions[i].y) / 300.0;
    }
    const double toZUp[9] = {-1, 0, 0, 0, 0, 1, 0, 1, 0}; // (a, b, c) -> (-a, c, b): a proper rotation
    Rotate(mesh, toZUp);
    Finish(mesh, AssetDesign::TinyBox);
    return mesh;
}

TriMesh BuildBall()
{
    TriMesh mesh;
    AddEllipsoid(mesh, {0, 0, 0}, {0.5, 0.5, 0.5}, 40, 64);
    ProjectUV(mesh, 0, false, 1, true);
    Finish(mesh, AssetDesign::BallBox);
    return mesh;
}

namespace
{
// Body, flattened, belly low.
void AddLizardBody(TriMesh& mesh, Vec3 up)
{
    const double body[][2] = {{0.0, 0.28}, {0.45, 0.42}, {0.9, 0.34}, {1.0, 0.25}};
    AddSweep(
        mesh,
        [](double u) {
            return Vec3{-1.7 + 3.2 * u, -0.3 + 0.04 * std::sin(Pi * u), 0.0};
        },
        [&](double u, double angle) {
            double r = Profile(body, 4, u);
            double ridge = 0.05 * std::pow(std::fmax(0.0, std::cos(angle)), 24.0) * (0.6 + 0.4 * std::sin(40.0 * u));
            return EllipseRadius(0.72 * r, r, angle) + ridge;
        },
        up, 64, 40);
}

// Head with a tapering snout, and the eyes.
void AddLizardHead(TriMesh& mesh, Vec3 up)
{
    const double head[][2] = {{0.0, 0.24}, {0.35, 0.33}, {0.8, 0.19}, {1.0, 0.1}};
    AddSweep(
        mesh,
        [](double u) {
            return Vec3{1.5 + 1.8 * u, -0.22 + 0.08 * std::sin(Pi * u) - 0.06 * u, 0.0};
        },
        [&](double u, double angle) {
            double r = Profile(head, 4, u);
            return EllipseRadius(0.68 * r, r, angle);
        },
        up, 44, 32);
    AddEllipsoid(mesh, {2.3, -0.02, 0.22}, {0.08, 0.07, 0.07}, 12, 16); // eyes
    AddEllipsoid(mesh, {2.3, -0.02, -0.22}, {0.08, 0.07, 0.07}, 12, 16);
}

// Tail, swinging to one side, thinning to a point.
void AddLizardTail(TriMesh& mesh, Vec3 up)
{
    AddSweep(
        mesh,
        [](double u) {
            return Vec3{-1.45 - 2.95 * u, -0.3 - 0.15 * u, 0.55 * std::sin(1.1 * Pi * u) * std::pow(u, 0.8)};
        },
        [](double u, double angle) {
            double r = 0.3 * std::pow(1.0 - u, 1.1) + 0.025;
            return EllipseRadius(0.8 * r, r, angle);
        },
        up, 80, 28);
}

// One sprawling leg with three toes; side -1 or 1 picks the flank.
void AddLizardLeg(TriMesh& mesh, bool front, int side)
{
    double x = front ? 1.0 : -1.2, s = side;
    Vec3 hip = {x, -0.32, 0.3 * s};
    Vec3 elbow = {x + (front ? 0.2 : -0.25), -0.12, 1.05 * s};
    Vec3 foot = {x + (front ? 0.35 : -0.05), -0.84, 1.3 * s};
    AddCapsule(mesh, hip, elbow, 0.17, 0.11, 24, 16);
    AddCapsule(mesh, elbow, foot, 0.11, 0.08, 24, 16);
    AddEllipsoid(mesh, foot + Vec3{0.06, -0.06, 0.04 * s}, {0.2, 0.06, 0.15}, 16, 20);
    for (int toe = 0; toe < 3; ++toe)
    {
        double a = 0.25 + 0.6 * toe;
        Vec3 tip = foot + Vec3{0.34 * std::cos(a), -0.04, 0.34 * std::sin(a) * s};
        AddCapsule(mesh, foot + Vec3{0.0, -0.04, 0.0}, tip, 0.045, 0.022, 12, 10);
    }
}

// Belly: the faces that look down get attribute 1, all others 0.
void MarkBelly(TriMesh& mesh)
{
    for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f)
    {
        Vec3 a = mesh.Positions[mesh.Indices[3 * f]];
        Vec3 n =
            Normalize(Cross(mesh.Positions[mesh.Indices[3 * f + 1]] - a, mesh.Positions[mesh.Indices[3 * f + 2]] - a));
        mesh.Attributes[f] = n.y < -0.5 ? 1u : 0u;
    }
}
} // namespace

TriMesh BuildLizard()
{
    TriMesh mesh;
    const Vec3 up = {0, 1, 0};
    AddLizardBody(mesh, up);
    AddLizardHead(mesh, up);
    AddLizardTail(mesh, up);
    for (int front = 0; front < 2; ++front)
        for (int side = -1; side <= 1; side += 2)
            AddLizardLeg(mesh, front != 0, side);
    MarkBelly(mesh);
    SortFacesByAttribute(mesh, 2);
    ProjectUV(mesh, 0, false, 2, false); // seen from above
    Finish(mesh, AssetDesign::LizardBox);
    return mesh;
}

// --- Textures --------------------------------------------------------------------------

namespace
{
double Hash(int x, int y, int seed)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0;
}

// Smooth value noise in [0, 1), tiling every `period` cells.
double Noise(double x, double y, int period, int seed)
{
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    double fx = x - x0, fy = y - y0;
    auto at = [&](int i, int j) {
        return Hash(((i % period) + period) % period, ((j % period) + period) % period, seed);
    };
    double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

struct Rgb
{
    double R, G, B;
};
Rgb Mix(Rgb a, Rgb b, double t)
{
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}
Rgb Scale(Rgb a, double s)
{
    return {a.R * s, a.G * s, a.B * s};
}
// The figure's clothes and face, in its painting's own units.
namespace TinyPalette
{
const Rgb Skin = {0.94, 0.76, 0.62}, Hair = {0.36, 0.22, 0.12}, Shirt = {0.78, 0.16, 0.14},
          Trousers = {0.2, 0.28, 0.58}, Belt = {0.25, 0.15, 0.08}, Shoe = {0.22, 0.13, 0.08},
          Buckle = {0.95, 0.78, 0.25}, White = {0.97, 0.97, 0.95}, Iris = {0.15, 0.35, 0.7}, Mouth = {0.7, 0.25, 0.25};
} // namespace TinyPalette

// Eyes, smile and cheeks on the skin of the face.
Rgb TinyFace(double a, double b)
{
    using namespace TinyPalette;
    const double ax = std::fabs(a);
    Rgb c = Skin;
    double eye = std::hypot(ax - 11.0, b - 106.0);
    if (eye < 3.0)
        c = {0.05, 0.05, 0.05};
    else if (eye < 5.0)
        c = Iris;
    else if (eye < 8.0)
        c = White;
    double smile = std::hypot(a, b - 98.0);
    if (smile > 13.0 && smile < 15.5 && b < 90.0)
        c = Mouth;
    double cheek = std::hypot(ax - 17.0, b - 92.0);
    if (cheek < 6.0)
        c = Mix(c, {0.95, 0.55, 0.5}, 0.35 * (1.0 - cheek / 6.0));
    return c;
}

// A striped shirt with buttons down the front and an open collar.
Rgb TinyShirt(double a, double b)
{
    using namespace TinyPalette;
    const double ax = std::fabs(a);
    Rgb c = Shirt;
    if (std::fmod(ax + 200.0, 14.0) < 2.0) // stripes
        c = Scale(Shirt, 0.8);
    if (std::hypot(a, std::fmod(b + 200.0, 16.0) - 8.0) < 2.2)
        c = White; // buttons down the front
    if (ax < 14.0 && b > 48.0)
        c = Skin; // open collar
    return c;
}

// The colour at pixel (x, y), before the grain over the whole picture: bands from the hair down
// to the shoes.
Rgb TinyPixel(int x, int y, int size)
{
    using namespace TinyPalette;
    double a = (x + 0.5) / size * 150.0 - 75.0, b = 150.0 - (y + 0.5) / size * 300.0;
    double ax = std::fabs(a);
    if (b > 122.0)
        return Scale(Hair, 0.8 + 0.4 * Noise(x / 2.0, y / 12.0, 128, 2));
    if (b > 62.0 && ax < 40.0)
        return TinyFace(a, b);
    if (b > 62.0)
        return Skin;
    if (ax > 46.0 && b < -8.0)
        return Skin; // forearms and hands
    if (b > -25.0)
        return TinyShirt(a, b);
    if (b > -36.0)
        return ax < 7.0 ? Buckle : Belt;
    if (b > -134.0)
    {
        if (std::fabs(ax - 22.0) < 1.0)
            return Scale(Trousers, 0.6); // seams
        return Scale(Trousers, 0.85 + 0.3 * Noise(x / 1.5, y / 1.5, 256, 3));
    }
    return Shoe;
}
} // namespace

Image PaintTinySkin()
{
    // A front view of the figure in its design units: a across (-75..75), b up (-150..150).
    const int size = 256;
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            double grain = Noise(x / 8.0, y / 8.0, 32, 1);
            Rgb c = Scale(TinyPixel(x, y, size), 0.9 + 0.2 * grain);
            image.Set(x, y, c.R, c.G, c.B);
        }
    return image;
}

Image PaintLizardSkin()
{
    // Scales: a jittered grid of cells, darker at their borders, with bands across the back.
    const int size = 256, cells = 32;
    Image image(size, size);
    const double cell = static_cast<double>(size) / cells;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            double px = (x + 0.5) / cell, py = (y + 0.5) / cell;
            int cx = static_cast<int>(px), cy = static_cast<int>(py);
            double best = 1e9, second = 1e9, tone = 0.0;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i)
                {
                    int gx = cx + i, gy = cy + j;
                    int wx = (gx % cells + cells) % cells, wy = (gy % cells + cells) % cells;
                    double fx = gx + 0.2 + 0.6 * Hash(wx, wy, 11), fy = gy + 0.2 + 0.6 * Hash(wx, wy, 12);
                    double d = std::hypot(px - fx, py - fy);
                    if (d < best)
                    {
                        second = best;
                        best = d;
                        tone = Hash(wx, wy, 13);
                    }
                    else if (d < second)
                        second = d;
                }
            double edge = SmoothStep(0.0, 0.18, second - best);
            double band = 0.5 + 0.5 * std::sin(2.0 * Pi * 6.0 * x / size);
            Rgb c = Mix({0.3, 0.5, 0.16}, {0.48, 0.6, 0.2}, tone);
            c = Mix(c, {0.2, 0.3, 0.1}, 0.35 * band * band);
            c = Scale(c, 0.55 + 0.45 * edge + 0.1 * (1.0 - best));
            image.Set(x, y, c.R, c.G, c.B);
        }
    return image;
}

Image PaintLizardBelly()
{
    // Pale belly scutes: rows of soft plates across the body.
    const int size = 128;
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            double row = std::fmod(x + 0.5, 8.0) / 8.0;
            double column = std::fmod(y + 0.5 + (static_cast<int>(x / 8) % 2) * 5.0, 10.0) / 10.0;
            double plate = std::sin(Pi * row) * (0.6 + 0.4 * std::sin(Pi * column));
            Rgb c = Mix({0.62, 0.58, 0.36}, {0.93, 0.88, 0.62}, plate);
            c = Scale(c, 0.92 + 0.16 * Noise(x / 4.0, y / 4.0, 32, 21));
            image.Set(x, y, c.R, c.G, c.B);
        }
    return image;
}

Image PaintParticle()
{
    // A soft glow, white-hot in the middle, exactly black from the glow radius outwards.
    const int size = AssetDesign::ParticleSize;
    const double radius = AssetDesign::ParticleGlowRadius;
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            double d = std::hypot(x + 0.5 - size * 0.5, y + 0.5 - size * 0.5) / radius;
            if (d >= 1.0)
                continue; // black
            double glow = std::pow(1.0 - d, 1.6);
            double core = std::exp(-d * d * 18.0);
            Rgb c = {glow * 1.0 + core, glow * 0.72 + core, glow * 0.35 + core};
            image.Set(x, y, c.R, c.G, c.B);
        }
    return image;
}
} // namespace Assets
