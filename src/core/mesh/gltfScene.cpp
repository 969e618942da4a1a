#include "core/mesh/gltfScene.h"

#include <cmath>

namespace {

void identityGltf(GltfMatrix& out)
{
    for (int i = 0; i < 16; ++i)
        out.m[i] = i % 5 == 0 ? 1.0 : 0.0;
}

bool allFinite(const std::vector<double>& values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

// A node reference that cannot be followed.
void badNode(ProblemList& problems, int node)
{
    noticeProblem(problems, ProblemKind::gltfBadNodes, std::string(), std::string(), node < 0 ? 0 : uint64_t(node));
}

} // namespace

bool gltfNodeMatrix(const tinygltf::Node& node, GltfMatrix& out)
{
    identityGltf(out);
    if (!allFinite(node.matrix) || !allFinite(node.translation) || !allFinite(node.rotation) ||
        !allFinite(node.scale))
        return false;
    if (node.matrix.size() == 16) {
        for (int i = 0; i < 16; ++i)
            out.m[i] = node.matrix[size_t(i)];
        return true;
    }
    double x = 0, y = 0, z = 0, w = 1;
    if (node.rotation.size() == 4) {
        x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
        double length = std::sqrt(x * x + y * y + z * z + w * w);
        if (length > 0 && std::isfinite(length))
            x /= length, y /= length, z /= length, w /= length;
        else
            x = y = z = 0, w = 1;
    }
    double s[3] = {1, 1, 1};
    if (node.scale.size() == 3)
        s[0] = node.scale[0], s[1] = node.scale[1], s[2] = node.scale[2];
    // the rotation's columns, each scaled
    const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),
                         2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                         2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y)};
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            out.m[4 * c + row] = r[3 * c + row] * s[c];
    if (node.translation.size() == 3)
        for (int row = 0; row < 3; ++row)
            out.m[12 + row] = node.translation[size_t(row)];
    return true;
}

void multiplyGltf(const GltfMatrix& a, const GltfMatrix& b, GltfMatrix& out)
{
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[4 * k + row] * b.m[4 * c + k];
            out.m[4 * c + row] = sum;
        }
}

void collectGltfInstances(const tinygltf::Model& model, std::vector<GltfInstance>& out, ProblemList& problems)
{
    out.clear();
    const size_t meshes = model.meshes.size();
    if (model.scenes.empty()) {
        for (size_t mesh = 0; mesh < meshes; ++mesh) {
            GltfInstance instance{int(mesh), {}};
            identityGltf(instance.world);
            out.push_back(instance);
        }
        return;
    }
    size_t scene = model.defaultScene >= 0 && size_t(model.defaultScene) < model.scenes.size() ? size_t(model.defaultScene) : 0;
    std::vector<bool> reached(model.nodes.size(), false);
    struct Pending {
        int node;
        GltfMatrix parent;
    };
    std::vector<Pending> pending;
    auto follow = [&](int node, const GltfMatrix& parent) {
        if (node < 0 || size_t(node) >= model.nodes.size() || reached[size_t(node)]) {
            badNode(problems, node);
            return;
        }
        reached[size_t(node)] = true;
        pending.push_back(Pending{node, parent});
    };
    GltfMatrix root;
    identityGltf(root);
    const std::vector<int>& roots = model.scenes[scene].nodes;
    for (size_t i = roots.size(); i-- > 0;)  // the last pushed is walked first: in file order
        follow(roots[i], root);
    while (!pending.empty()) {
        Pending next = pending.back();
        pending.pop_back();
        const tinygltf::Node& node = model.nodes[size_t(next.node)];
        GltfMatrix local, world;
        bool finite = gltfNodeMatrix(node, local);
        multiplyGltf(next.parent, local, world);
        for (double element : world.m)
            finite = finite && std::isfinite(element);
        if (!finite) {  // a transform too large for a double: the node's own is left out
            noticeProblem(problems, ProblemKind::gltfBadTransforms, std::string(), std::string(), uint64_t(next.node));
            world = next.parent;
        }
        if (node.mesh >= 0 && size_t(node.mesh) < meshes)
            out.push_back(GltfInstance{node.mesh, world});
        else if (node.mesh >= 0 || node.mesh < -1)
            noticeProblem(problems, ProblemKind::gltfBadReferences, "from a node to a missing mesh", std::string(),
                          uint64_t(next.node));
        for (size_t i = node.children.size(); i-- > 0;)
            follow(node.children[i], world);
    }
}
