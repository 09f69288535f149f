#pragma once
// The demo's models and textures, built procedurally. Every model is fitted to its box in
// AssetDesign.h, has vertex normals and texture coordinates, and faces pointing outwards.
#include "Geometry.h"
#include "Writers.h"

namespace Assets
{
TriMesh BuildSkull();
TriMesh BuildVenus();
TriMesh BuildTiny(); // z up, facing -y
TriMesh BuildBall();
TriMesh BuildLizard(); // attribute 0 skin, 1 belly; faces sorted by attribute

Image PaintTinySkin();
Image PaintLizardSkin();
Image PaintLizardBelly();
Image PaintParticle();
} // namespace Assets
