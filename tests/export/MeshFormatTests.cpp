// STL and glTF binary from Save As, read back by an independent importer: the same
// triangles as the OBJ, closed and consistently oriented, over the same extent.

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <gtest/gtest.h>
#include <assimp/Importer.hpp>

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "export/ExportFormats.h"
#include "support/FrameTest.h"
#include "support/MeshBuilders.h"
#include "support/TempFolder.h"

namespace {

struct Imported {
    int triangles = 0;
    std::string faults;  // open or inconsistently oriented edges, bad normals
    std::array<double, 3> low{1e300, 1e300, 1e300};
    std::array<double, 3> high{-1e300, -1e300, -1e300};
};

// Reads the file's one mesh. Corners are numbered by position, so that an edge shared
// by two triangles is one pair of numbers however the format stores corners (STL
// repeats them per face, with the face's normal).
Imported Import(const std::string& path, bool withNormals) {
    Imported result;
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_ValidateDataStructure);
    if (scene == nullptr || scene->mNumMeshes != 1) {
        result.faults = "not read as one mesh: " + std::string(importer.GetErrorString());
        return result;
    }
    const aiMesh* mesh = scene->mMeshes[0];
    std::map<std::array<float, 3>, unsigned> numberAt;
    auto number = [&](unsigned i) {
        const aiVector3D& p = mesh->mVertices[i];
        return numberAt.emplace(std::array<float, 3>{p.x, p.y, p.z}, numberAt.size()).first->second;
    };
    std::map<std::pair<unsigned, unsigned>, int> directed;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3) result.faults += "a face that is not a triangle\n";
        ++result.triangles;
        for (unsigned k = 0; k < face.mNumIndices; ++k)
            ++directed[{number(face.mIndices[k]),
                        number(face.mIndices[(k + 1) % face.mNumIndices])}];
    }
    // Closed and consistently oriented: every edge once in each direction.
    for (const auto& [edge, count] : directed) {
        const auto back = directed.find({edge.second, edge.first});
        if (count != 1 || back == directed.end() || back->second != 1) {
            result.faults += "edge " + std::to_string(edge.first) + "-" +
                             std::to_string(edge.second) + " is not shared once each way\n";
            break;
        }
    }
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        const aiVector3D& p = mesh->mVertices[i];
        const double c[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k) {
            result.low[k] = std::min(result.low[k], c[k]);
            result.high[k] = std::max(result.high[k], c[k]);
        }
        // Normals (STL's facet normals, glTF's smooth ones) are unit and point outward:
        // the test body is a sphere about the origin.
        if (!withNormals) continue;
        if (!mesh->HasNormals()) {
            result.faults += "no normals\n";
            break;
        }
        {
            const aiVector3D& n = mesh->mNormals[i];
            if (std::fabs(n.Length() - 1.0f) > 1e-4f || n * p <= 0.0f)
                result.faults += "vertex " + std::to_string(i) + ": normal not unit or inward\n";
        }
    }
    return result;
}

}  // namespace

TEST_F(FrameTest, StlAndGlbReadBackAsTheObjsClosedMeshAndExtent) {
    MakeIcosphere(f, 30.0, 2, {0, 0, 0});
    TempFolder folder;
    auto saveAs = [&](const std::string& name) {
        host.saveAnswer = folder / name;
        f.OnCommand(ID_SAVE_AS);
        // The OBJ has no normals; STL and glTF must.
        return Import(folder / name, name.find(".obj") == std::string::npos);
    };
    const Imported obj = saveAs("body.obj");
    // The described dialog still opens on OBJ, its first type.
    ASSERT_EQ(host.offeredTypes.size(), 3u);
    EXPECT_STREQ(host.offeredTypes[0].filter, "OBJ (*.obj)");
    EXPECT_STREQ(host.offeredTypes[1].filter, "STL (*.stl)");
    EXPECT_STREQ(host.offeredTypes[2].filter, "glTF binary (*.glb)");
    ASSERT_EQ(obj.faults, "");
    EXPECT_EQ(obj.triangles, CountTriangles(f));

    // The extension picks the format, whatever its case; the glTF is in metres.
    const std::pair<const char*, double> files[] = {
        {"body.stl", 1.0}, {"BODY.STL", 1.0}, {"body.glb", 1000.0}};
    for (const auto& [name, unitsPerFileUnit] : files) {
        SCOPED_TRACE(name);
        const Imported mesh = saveAs(name);
        EXPECT_EQ(mesh.faults, "");
        EXPECT_EQ(mesh.triangles, obj.triangles);
        for (int k = 0; k < 3; ++k) {
            // Float storage against the OBJ's six decimals.
            EXPECT_NEAR(mesh.low[k] * unitsPerFileUnit, obj.low[k], 2e-5 * 30);
            EXPECT_NEAR(mesh.high[k] * unitsPerFileUnit, obj.high[k], 2e-5 * 30);
        }
    }
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(host.fileErrors, 0);
    EXPECT_EQ(&ExportFormatFor("a.txt"), &kExportFormats[0]);  // unknown: OBJ, as always
}
