#include "render/frame.h"

#include "render/glCheck.h"

#include <GL/glew.h>

namespace {

void uploadMatrices(const ShaderState& shader, const FrameInputs& matrices)
{
    glUniform4fvARB(shader.vpMatrixLocation, 4, matrices.viewProjection.data());
    checkGlError();
    glUniform4fvARB(shader.wMatrixLocation, 4, matrices.world.data());
    checkGlError();
}

void enableClipPlane()
{
    // the modelview matrix is the identity, so the plane is stored as given: it keeps z >= 0
    const GLdouble plane[4] = {0.0, 0.0, 1.0, 0.0};
    glClipPlane(GL_CLIP_PLANE0, plane);
    checkGlError();
    glEnable(GL_CLIP_PLANE0);
    checkGlError();
}

// Draws the mesh's edges only, or its triangles again.
void showEdgesOnly(bool edges)
{
    glPolygonMode(GL_FRONT_AND_BACK, edges ? GL_LINE : GL_FILL);
    checkGlError();
}

// What drawMesh switches materials with.
struct MaterialContext {
    const MaterialsGpu* materials;
    const ProgramInputs* inputs;
    GLuint unit;
};

void switchMaterial(void* context, uint32_t material)
{
    const MaterialContext& c = *static_cast<const MaterialContext*>(context);
    useMaterial(*c.materials, *c.inputs, material, c.unit);
}

} // namespace

void drawFrame(const MeshStore& mesh, ShaderState& shader, const std::vector<TextureGpu>& textures,
               const MaterialsGpu& materials, const FrameInputs& inputs)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGlError();
    glUseProgramObjectARB(shader.program);
    checkGlError();
    uploadMatrices(shader, inputs);
    uploadStandardUniforms(shader.inputs, inputs.standard);
    bindSamplers(shader.inputs, textures);
    if (inputs.cut)
        enableClipPlane();
    MeshAttributeLocations named = meshAttributeLocations(shader.inputs);
    bindMeshArrays(mesh, named);
    validateProgramOnce(shader);
    if (inputs.wireframe)
        showEdgesOnly(true);
    MaterialContext context = {&materials, &shader.inputs, GLuint(textures.size())};
    MaterialSwitch materialSwitch = {switchMaterial, &context};
    if (materials.active) {
        if (mesh.meshRanges.empty())  // vertex colours alone: the default material throughout
            useMaterial(materials, shader.inputs, 0, context.unit);
        shader.materialsGiven = true;
    } else if (shader.materialsGiven) {
        clearMaterialUniforms(shader.inputs);
        shader.materialsGiven = false;
    }
    drawMesh(mesh, named, materials.active ? &materialSwitch : nullptr);
    if (materials.active)
        endMaterials(shader.inputs, context.unit);
    if (inputs.wireframe)
        showEdgesOnly(false);
    if (inputs.cut) {
        glDisable(GL_CLIP_PLANE0);
        checkGlError();
    }
    unbindMeshArrays(named, mesh.colorBuffer != 0);
    unbindSamplers(shader.inputs);
    glUseProgramObjectARB(0);
    checkGlError();
}
