#pragma once
// What the generated assets are meant to be: file names, model-space bounding boxes and image
// sizes. The generator fits every model to its box; the tests check the loaded files against it.
namespace AssetDesign
{
struct Box
{
    float MinX, MinY, MinZ, MaxX, MaxY, MaxZ;
};

// Skull: y up, face towards -z (the camera looks at it along +z); its crown meets the
// fountain's emitter, which sits at model (0, 7, 0) once the scene moves it to (0, -5, 20).
const Box SkullBox = {-2.95f, -1.75f, -3.5f, 2.95f, 7.0f, 3.9f};
// Venus: a draped statue on a plinth, y up, facing -x (towards the origin from (20, 0, 0));
// drawn three times larger.
const Box VenusBox = {-0.6f, -1.2f, -0.6f, 0.6f, 2.12f, 0.6f};
// Tiny: z up, facing -y, in the units of the original kind of asset (the scene scales by 0.03).
const Box TinyBox = {-69.0f, -35.0f, -150.0f, 69.0f, 31.0f, 150.0f};
// Ball: the light's marker.
const Box BallBox = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f};
// Lizard: y up, head towards +x, tail towards -x; its feet stand a little below the eye so
// that the camera, turned round, sees its back.
const Box LizardBox = {-4.5f, -2.2f, -1.7f, 3.5f, -1.1f, 1.7f};

const int MinTriangles = 2000;
const int MaxTriangles = 50000;

const char* const TinyTexture = "tiny_skin.bmp";
const char* const LizardSkinTexture = "lizard_skin.bmp";
const char* const LizardBellyTexture = "lizard_belly.bmp";
const int ParticleSize = 64;
// The particle's glow ends inside this radius (pixels from the centre); beyond it the image is
// exactly black, which the particle texture's colour key turns transparent.
const double ParticleGlowRadius = 28.0;

// Every file the generator writes, in writing order.
const char* const Files[] = {"skullocc.x",        "venus.x",         "ball.x",           "tiny.x",      "tiny_skin.bmp",
                             "lizardSIG.sdkmesh", "lizard_skin.bmp", "lizard_belly.bmp", "particle.bmp"};
const int FileCount = sizeof(Files) / sizeof(Files[0]);
} // namespace AssetDesign
