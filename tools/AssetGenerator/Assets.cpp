#include "Assets.h"

#include "AssetDesign.h"
#include "Models.h"
#include "Writers.h"

#include <fstream>

namespace Assets
{
namespace
{
bool WriteBytes(const std::string& path, const void* data, size_t size)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(file);
}

SurfaceMaterial Plain(const std::string& name, Colour diffuse, float power, Colour specular)
{
    SurfaceMaterial m;
    m.Name = name;
    m.Diffuse = diffuse;
    m.Ambient = {diffuse.R * 0.3f, diffuse.G * 0.3f, diffuse.B * 0.3f, 1.0f};
    m.Specular = specular;
    m.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
    m.Power = power;
    return m;
}
} // namespace

std::vector<XModel> XModels()
{
    SurfaceMaterial bone = Plain("Bone", {0.93f, 0.89f, 0.8f, 1.0f}, 20.0f, {0.35f, 0.33f, 0.3f, 1.0f});
    SurfaceMaterial marble = Plain("Marble", {0.95f, 0.94f, 0.92f, 1.0f}, 40.0f, {0.6f, 0.6f, 0.6f, 1.0f});
    SurfaceMaterial glow = Plain("Glow", {1.0f, 0.95f, 0.8f, 1.0f}, 1.0f, {0.0f, 0.0f, 0.0f, 1.0f});
    glow.Emissive = {1.0f, 0.95f, 0.8f, 1.0f};
    SurfaceMaterial cloth = Plain("Skin", {1.0f, 1.0f, 1.0f, 1.0f}, 10.0f, {0.2f, 0.2f, 0.2f, 1.0f});
    cloth.DiffuseTexture = AssetDesign::TinyTexture;
    std::vector<XModel> models;
    models.push_back({"skullocc.x", "Skull", BuildSkull(), {bone}});
    models.push_back({"venus.x", "Venus", BuildVenus(), {marble}});
    models.push_back({"ball.x", "Ball", BuildBall(), {glow}});
    models.push_back({"tiny.x", "Tiny", BuildTiny(), {cloth}});
    return models;
}

int GenerateAll(const std::string& folder)
{
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\')
        dir += '/';
    int position = 0;
    auto bytes = [&](const char* name, const Bytes& content) {
        ++position;
        return WriteBytes(dir + name, content.data(), content.size());
    };

    SurfaceMaterial scales = Plain("LizardSkin", {0.45f, 0.62f, 0.3f, 1.0f}, 30.0f, {0.4f, 0.45f, 0.35f, 1.0f});
    scales.DiffuseTexture = AssetDesign::LizardSkinTexture;
    SurfaceMaterial belly = Plain("LizardBelly", {0.88f, 0.82f, 0.58f, 1.0f}, 10.0f, {0.2f, 0.2f, 0.2f, 1.0f});
    belly.DiffuseTexture = AssetDesign::LizardBellyTexture;

    // Same order as AssetDesign::Files.
    for (const XModel& model : XModels())
        if (!bytes(model.File, EncodeXFileBinary(model.Mesh, model.Materials, model.Name)))
            return position;
    if (!bytes(AssetDesign::TinyTexture, EncodeBmp24(PaintTinySkin())))
        return position;
    if (!bytes("lizardSIG.sdkmesh", EncodeSdkMesh(BuildLizard(), {scales, belly}, "Lizard")))
        return position;
    if (!bytes(AssetDesign::LizardSkinTexture, EncodeBmp24(PaintLizardSkin())))
        return position;
    if (!bytes(AssetDesign::LizardBellyTexture, EncodeBmp24(PaintLizardBelly())))
        return position;
    if (!bytes("particle.bmp", EncodeBmp24(PaintParticle())))
        return position;
    return 0;
}
} // namespace Assets
