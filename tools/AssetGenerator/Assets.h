#pragma once
// Writes every asset of the demo into one folder.
#include "Writers.h"

#include <string>
#include <vector>

namespace Assets
{
// One of the four .x models: its file, mesh name, geometry and materials.
struct XModel
{
    const char* File;
    std::string Name;
    TriMesh Mesh;
    std::vector<SurfaceMaterial> Materials;
};

// The four .x models in writing order; the generator writes them in the binary encoding.
std::vector<XModel> XModels();

// folder: existing directory, with or without a trailing separator. Returns 0 on success,
// otherwise the 1-based position of the first file that could not be written.
int GenerateAll(const std::string& folder);
} // namespace Assets
