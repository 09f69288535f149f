// The generated models and images as data: sizes, closed outward surfaces, their boxes and
// where the demo scene puts them in front of the starting camera.
#include "tools/AssetGenerator/AssetDesign.h"
#include "tools/AssetGenerator/Models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>

using namespace Assets;

namespace
{
struct Model
{
    const char* Name;
    TriMesh Mesh;
    AssetDesign::Box Design;
};

const std::vector<Model>& Models()
{
    static const std::vector<Model> models = {
        {"skull", BuildSkull(), AssetDesign::SkullBox},    {"venus", BuildVenus(), AssetDesign::VenusBox},
        {"tiny", BuildTiny(), AssetDesign::TinyBox},       {"ball", BuildBall(), AssetDesign::BallBox},
        {"lizard", BuildLizard(), AssetDesign::LizardBox},
    };
    return models;
}

const TriMesh& Find(const char* name)
{
    for (const Model& m : Models())
        if (std::string(m.Name) == name)
            return m.Mesh;
    static const TriMesh none;
    ADD_FAILURE() << "no model " << name;
    return none;
}

// Every vertex, moved by the scene's world transform, lies inside the view of a camera at the
// origin looking along `depth` (45 degrees vertically, 4:3).
void ExpectInView(const TriMesh& mesh, const std::function<Vec3(Vec3)>& world,
                  const std::function<void(Vec3, double&, double&, double&)>& view)
{
    const double tanHalf = std::tan(3.14159265358979 / 8.0);
    int outside = 0;
    for (const Vec3& p : mesh.Positions)
    {
        double depth, across, up;
        view(world(p), depth, across, up);
        if (depth < 0.1 || std::fabs(up) > depth * tanHalf || std::fabs(across) > depth * tanHalf * 4.0 / 3.0)
            ++outside;
    }
    EXPECT_EQ(0, outside);
}
} // namespace

TEST(AssetModels, TriangleCountsAreModerate)
{
    for (const Model& m : Models())
    {
        EXPECT_GE(m.Mesh.FaceCount(), static_cast<std::uint32_t>(AssetDesign::MinTriangles)) << m.Name;
        EXPECT_LE(m.Mesh.FaceCount(), static_cast<std::uint32_t>(AssetDesign::MaxTriangles)) << m.Name;
        EXPECT_EQ(m.Mesh.FaceCount(), m.Mesh.Attributes.size()) << m.Name;
    }
}

TEST(AssetModels, BoundingBoxesAreTheDesignedOnes)
{
    for (const Model& m : Models())
    {
        Box box = BoundingBox(m.Mesh);
        const double tolerance = 1e-6 * (m.Design.MaxZ - m.Design.MinZ);
        EXPECT_NEAR(m.Design.MinX, box.Min.x, tolerance) << m.Name;
        EXPECT_NEAR(m.Design.MinY, box.Min.y, tolerance) << m.Name;
        EXPECT_NEAR(m.Design.MinZ, box.Min.z, tolerance) << m.Name;
        EXPECT_NEAR(m.Design.MaxX, box.Max.x, tolerance) << m.Name;
        EXPECT_NEAR(m.Design.MaxY, box.Max.y, tolerance) << m.Name;
        EXPECT_NEAR(m.Design.MaxZ, box.Max.z, tolerance) << m.Name;
    }
}

TEST(AssetModels, SurfacesAreClosedConsistentlyWoundAndFaceOutwards)
{
    for (const Model& m : Models())
    {
        const TriMesh& mesh = m.Mesh;
        std::unordered_map<std::uint64_t, int> edges;
        bool indicesValid = true;
        for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f)
            for (int k = 0; k < 3; ++k)
            {
                std::uint32_t a = mesh.Indices[3 * f + k], b = mesh.Indices[3 * f + (k + 1) % 3];
                indicesValid = indicesValid && a < mesh.Positions.size();
                ++edges[(static_cast<std::uint64_t>(a) << 32) | b];
            }
        ASSERT_TRUE(indicesValid) << m.Name;
        int unmatched = 0, repeated = 0;
        for (const auto& e : edges)
        {
            std::uint64_t reverse = (e.first << 32) | (e.first >> 32);
            auto other = edges.find(reverse);
            if (other == edges.end() || other->second != e.second)
                ++unmatched;
            if (e.second != 1)
                ++repeated;
        }
        EXPECT_EQ(0, unmatched) << m.Name << ": every edge is crossed once in each direction";
        EXPECT_EQ(0, repeated) << m.Name;
        // With consistent winding, a positive enclosed volume means cross(b - a, c - a) points
        // outwards: clockwise as seen from outside in Direct3D's left-handed view, so not culled.
        EXPECT_GT(SignedVolume(mesh, 0, mesh.FaceCount()), 0.0) << m.Name;
    }
}

TEST(AssetModels, NormalsAreUnitAndTextureCoordinatesInRange)
{
    for (const Model& m : Models())
    {
        ASSERT_EQ(m.Mesh.Positions.size(), m.Mesh.Normals.size()) << m.Name;
        int bad = 0;
        for (size_t i = 0; i < m.Mesh.Positions.size(); ++i)
        {
            if (std::fabs(Length(m.Mesh.Normals[i]) - 1.0) > 1e-6)
                ++bad;
            if (m.Mesh.U[i] < 0.0 || m.Mesh.U[i] > 1.0 || m.Mesh.V[i] < 0.0 || m.Mesh.V[i] > 1.0)
                ++bad;
        }
        EXPECT_EQ(0, bad) << m.Name;
    }
}

TEST(AssetModels, SceneShowsEachModelWholeFromTheStartPosition)
{
    // Skull at (0, -5, 20), seen looking along +z.
    ExpectInView(
        Find("skull"),
        [](Vec3 p) {
            return p + Vec3{0, -5, 20};
        },
        [](Vec3 w, double& d, double& a, double& u) { d = w.z, a = w.x, u = w.y; });
    // Venus scaled by 3 at (20, 0, 0), seen when turned to +x.
    ExpectInView(
        Find("venus"),
        [](Vec3 p) {
            return p * 3.0 + Vec3{20, 0, 0};
        },
        [](Vec3 w, double& d, double& a, double& u) { d = w.x, a = w.z, u = w.y; });
    // Tiny scaled by 0.03, turned upright, at (-20, 0, 0), seen when turned to -x.
    ExpectInView(
        Find("tiny"),
        [](Vec3 p) {
            return Vec3{-20 - 0.03 * p.y, 0.03 * p.z, -0.03 * p.x};
        },
        [](Vec3 w, double& d, double& a, double& u) { d = -w.x, a = w.z, u = w.y; });
    // Lizard at (0, 0, -20), seen when turned round.
    ExpectInView(
        Find("lizard"),
        [](Vec3 p) {
            return p + Vec3{0, 0, -20};
        },
        [](Vec3 w, double& d, double& a, double& u) { d = -w.z, a = w.x, u = w.y; });
}

TEST(AssetModels, SkullCrownMeetsTheFountainAndTinyFacesTheCamera)
{
    // The fountain's emitter (0, 2, 20) is model (0, 7, 0) of the skull: its top.
    Box skull = BoundingBox(Find("skull"));
    EXPECT_NEAR(7.0, skull.Max.y, 1e-9);
    // Tiny's nose: the head's point farthest along -y (towards the camera once placed), centred.
    const TriMesh& tiny = Find("tiny");
    Vec3 nose = {0, 1e9, 0};
    for (const Vec3& p : tiny.Positions)
        if (p.z > 70.0 && p.y < nose.y)
            nose = p;
    EXPECT_NEAR(0.0, nose.x, 6.0);
    EXPECT_LT(nose.y, -25.0);
}

TEST(AssetModels, LizardHasASkinRunThenABellyRunOfFaces)
{
    const TriMesh& lizard = Find("lizard");
    std::uint32_t skin = 0;
    while (skin < lizard.FaceCount() && lizard.Attributes[skin] == 0)
        ++skin;
    std::uint32_t belly = 0;
    double down = 0.0;
    for (std::uint32_t f = skin; f < lizard.FaceCount(); ++f)
    {
        EXPECT_EQ(1u, lizard.Attributes[f]) << "face " << f;
        ++belly;
        Vec3 a = lizard.Positions[lizard.Indices[3 * f]];
        down += Normalize(Cross(lizard.Positions[lizard.Indices[3 * f + 1]] - a,
                                lizard.Positions[lizard.Indices[3 * f + 2]] - a))
                    .y;
    }
    EXPECT_GT(skin, 1000u);
    EXPECT_GT(belly, 1000u);
    EXPECT_LT(down / belly, -0.5) << "belly faces look down";
    EXPECT_LE(lizard.Positions.size(), 65535u) << "fits 16-bit indices";
}

TEST(AssetImages, ParticleIsASoftGlowOnExactBlack)
{
    Image p = PaintParticle();
    ASSERT_EQ(AssetDesign::ParticleSize, p.Width);
    ASSERT_EQ(AssetDesign::ParticleSize, p.Height);
    int litOutside = 0;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x)
        {
            double d = std::hypot(x + 0.5 - p.Width / 2.0, y + 0.5 - p.Height / 2.0);
            const std::uint8_t* px = &p.Rgb[(static_cast<size_t>(y) * p.Width + x) * 3];
            if (d >= AssetDesign::ParticleGlowRadius && (px[0] | px[1] | px[2]) != 0)
                ++litOutside;
        }
    EXPECT_EQ(0, litOutside);
    const std::uint8_t* centre = &p.Rgb[(static_cast<size_t>(p.Height / 2) * p.Width + p.Width / 2) * 3];
    EXPECT_EQ(255, centre[0]);
    EXPECT_GT(centre[1], 200);
    EXPECT_GT(centre[2], 150);
    // Brightness falls off from the centre outwards along a row.
    int previous = 256 * 3;
    for (int x = p.Width / 2; x < p.Width; ++x)
    {
        const std::uint8_t* px = &p.Rgb[(static_cast<size_t>(p.Height / 2) * p.Width + x) * 3];
        int sum = px[0] + px[1] + px[2];
        EXPECT_LE(sum, previous) << "x " << x;
        previous = sum;
    }
}

TEST(AssetImages, TexturesArePaintedNotFlat)
{
    struct Named
    {
        const char* Name;
        Image Picture;
        int Size;
    };
    const Named images[] = {
        {"tiny", PaintTinySkin(), 256}, {"skin", PaintLizardSkin(), 256}, {"belly", PaintLizardBelly(), 128}};
    for (const Named& n : images)
    {
        EXPECT_EQ(n.Size, n.Picture.Width) << n.Name;
        EXPECT_EQ(n.Size, n.Picture.Height) << n.Name;
        std::set<std::uint32_t> colours;
        for (size_t i = 0; i + 2 < n.Picture.Rgb.size(); i += 3)
            colours.insert(n.Picture.Rgb[i] << 16 | n.Picture.Rgb[i + 1] << 8 | n.Picture.Rgb[i + 2]);
        EXPECT_GT(colours.size(), 200u) << n.Name;
    }
    // Tiny's picture: skin-coloured face in the middle of the head, blue trousers below the belt.
    Image tiny = PaintTinySkin();
    auto at = [&tiny](double a, double b) {
        int x = static_cast<int>((a + 75.0) / 150.0 * 256.0), y = static_cast<int>((150.0 - b) / 300.0 * 256.0);
        return &tiny.Rgb[(static_cast<size_t>(y) * 256 + x) * 3];
    };
    const std::uint8_t* face = at(-20.0, 98.0);
    EXPECT_GT(face[0], face[2]) << "skin is warm";
    const std::uint8_t* leg = at(-10.0, -80.0);
    EXPECT_GT(leg[2], leg[0]) << "trousers are blue";
}
