#include <tiny_gltf.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <sstream>
#include <vector>

#include "app/MainFrame.h"
#include "export/ExportFormats.h"
#include "model/PointerMap.h"

namespace {

// glTF lengths are metres; a model unit is a millimetre.
constexpr double kMetresPerUnit = 0.001;

template <typename T>
void AppendArray(std::vector<unsigned char>& buffer, const std::vector<T>& values) {
    const size_t at = buffer.size();
    buffer.resize(at + values.size() * sizeof(T));
    if (!values.empty()) std::memcpy(buffer.data() + at, values.data(), values.size() * sizeof(T));
}

int AddView(tinygltf::Model& model, size_t offset, size_t length, int target) {
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = offset;
    view.byteLength = length;
    view.target = target;
    model.bufferViews.push_back(view);
    return static_cast<int>(model.bufferViews.size()) - 1;
}

int AddAccessor(tinygltf::Model& model, int view, int componentType, size_t count, int type) {
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.componentType = componentType;
    accessor.count = count;
    accessor.type = type;
    model.accessors.push_back(accessor);
    return static_cast<int>(model.accessors.size()) - 1;
}

bool Serialize(tinygltf::Model& model, std::string& bytes) {
    std::ostringstream out;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&model, out, false, true)) return false;
    bytes = out.str();
    return true;
}

}  // namespace

bool FormatGlb(const CMainFrame& frame, std::string& bytes) {
    // The vertices the triangles use, numbered in list order.
    PointerSet onTriangle;
    size_t triangleCount = 0;
    for (const Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next, ++triangleCount)
        for (const Vertex* corner : t->corner) onTriangle.Insert(corner);
    PointerMap number;
    std::vector<const Vertex*> used;
    for (const Vertex* v = frame.m_pVertices; v != nullptr; v = v->next)
        if (onTriangle.Contains(v) && number.Insert(v, static_cast<int32_t>(used.size())))
            used.push_back(v);

    std::vector<Vec3> normals(used.size());
    std::vector<uint32_t> indices;
    indices.reserve(3 * triangleCount);
    for (const Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) {
        const Vec3& a = t->corner[0]->position;
        // Twice the area times the unit normal: larger faces weigh more.
        const Vec3 weighted = Cross(t->corner[1]->position - a, t->corner[2]->position - a);
        for (const Vertex* corner : t->corner) {
            const int32_t k = number.Find(corner);
            normals[static_cast<size_t>(k)] += weighted;
            indices.push_back(static_cast<uint32_t>(k));
        }
    }

    std::vector<float> positionData;
    std::vector<float> normalData;
    positionData.reserve(3 * used.size());
    normalData.reserve(3 * used.size());
    std::vector<double> low(3, std::numeric_limits<double>::max());
    std::vector<double> high(3, std::numeric_limits<double>::lowest());
    for (size_t i = 0; i < used.size(); ++i) {
        const Vec3& p = used[i]->position;
        const double metres[3] = {p.x * kMetresPerUnit, p.y * kMetresPerUnit, p.z * kMetresPerUnit};
        for (int k = 0; k < 3; ++k) {
            const float f = static_cast<float>(metres[k]);
            positionData.push_back(f);
            // The bounds must hold the stored floats exactly.
            low[k] = std::min(low[k], static_cast<double>(f));
            high[k] = std::max(high[k], static_cast<double>(f));
        }
        const double length = Length(normals[i]);
        // A vertex whose faces have no area faces nowhere in particular; a unit vector
        // keeps the file valid.
        const Vec3 n = length > 0.0 ? normals[i] / length : Vec3{0, 0, 1};
        normalData.push_back(static_cast<float>(n.x));
        normalData.push_back(static_cast<float>(n.y));
        normalData.push_back(static_cast<float>(n.z));
    }

    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "Pliform";
    model.scenes.emplace_back();
    model.defaultScene = 0;
    // An empty scene has no mesh: glTF allows no buffer of zero bytes.
    if (used.empty()) return Serialize(model, bytes);

    tinygltf::Buffer buffer;
    AppendArray(buffer.data, positionData);
    AppendArray(buffer.data, normalData);
    AppendArray(buffer.data, indices);
    model.buffers.push_back(std::move(buffer));

    const size_t positionBytes = positionData.size() * sizeof(float);
    const size_t normalBytes = normalData.size() * sizeof(float);
    const int positions =
        AddAccessor(model, AddView(model, 0, positionBytes, TINYGLTF_TARGET_ARRAY_BUFFER),
                    TINYGLTF_COMPONENT_TYPE_FLOAT, used.size(), TINYGLTF_TYPE_VEC3);
    model.accessors[static_cast<size_t>(positions)].minValues = low;
    model.accessors[static_cast<size_t>(positions)].maxValues = high;
    const int normalAccessor =
        AddAccessor(model, AddView(model, positionBytes, normalBytes, TINYGLTF_TARGET_ARRAY_BUFFER),
                    TINYGLTF_COMPONENT_TYPE_FLOAT, used.size(), TINYGLTF_TYPE_VEC3);
    const int indexAccessor =
        AddAccessor(model,
                    AddView(model, positionBytes + normalBytes, indices.size() * sizeof(uint32_t),
                            TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER),
                    TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, indices.size(), TINYGLTF_TYPE_SCALAR);

    tinygltf::Primitive primitive;
    primitive.attributes["POSITION"] = positions;
    primitive.attributes["NORMAL"] = normalAccessor;
    primitive.indices = indexAccessor;
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    tinygltf::Mesh mesh;
    mesh.primitives.push_back(std::move(primitive));
    model.meshes.push_back(std::move(mesh));
    tinygltf::Node node;
    node.mesh = 0;
    model.nodes.push_back(std::move(node));
    model.scenes[0].nodes.push_back(0);
    return Serialize(model, bytes);
}
