#include "render/frame.h"

#include "render/frameTarget.h"
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

// The unit of the frame's own samplers: after --texture's and the materials' maps (one unit each
// kind, so that a sampler of another type never shares a unit with one of them).
GLuint firstFrameUnit(const FrameResources& resources)
{
    return GLuint(resources.textures.size()) + materialMapKinds;
}

// Binds the targets' textures the program samples and the environment, from unit `unit` on
// (checked); the scene's colour and depth read black unless `sceneReadable`. Nothing for a program
// that samples none. Needs the program in use.
void bindFrameSamplers(const FrameResources& resources, const ProgramInputs& inputs, GLuint unit, bool sceneReadable)
{
    for (const TargetSampler& sampler : inputs.targets) {
        bool scene = sampler.kind == TargetKind::scene || sampler.kind == TargetKind::sceneDepth;
        if (sampler.location >= 0) {
            glActiveTexture(GL_TEXTURE0 + unit);
            glBindTexture(GL_TEXTURE_2D, scene && !sceneReadable
                                             ? 0
                                             : targetTexture(resources.targets, sampler.kind, sampler.index));
            glUniform1iARB(sampler.location, GLint(unit));
            ++unit;
        }
        if (sampler.resolutionLocation >= 0)
            glUniform2fARB(sampler.resolutionLocation, float(resources.targets.width),
                           float(resources.targets.height));
        checkGlError();
    }
    if (!inputs.targets.empty()) {
        glActiveTexture(GL_TEXTURE0);
        checkGlError();
    }
    bindEnvironment(resources.environment, inputs, unit);
}

void unbindFrameSamplers(const ProgramInputs& inputs, GLuint unit)
{
    for (const TargetSampler& sampler : inputs.targets)
        if (sampler.location >= 0) {
            glActiveTexture(GL_TEXTURE0 + unit++);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
    if (!inputs.targets.empty()) {
        glActiveTexture(GL_TEXTURE0);
        checkGlError();
    }
    unbindEnvironment(inputs, unit);
}

// Draws a full-window quad through the program: its u_ uniforms, textures and frame samplers.
void drawQuadPass(FrameResources& resources, ShaderState& shader, const FrameInputs& inputs, const std::string& name,
                  bool sceneReadable)
{
    glUseProgramObjectARB(shader.program);
    checkGlError();
    if (shader.vpMatrixLocation >= 0 || shader.wMatrixLocation >= 0)
        uploadMatrices(shader, inputs);
    uploadStandardUniforms(shader.inputs, inputs.standard);
    bindSamplers(shader.inputs, resources.textures);
    bindFrameSamplers(resources, shader.inputs, firstFrameUnit(resources), sceneReadable);
    MeshAttributeLocations named = meshAttributeLocations(shader.inputs);
    validateProgramOnce(shader, name);
    drawQuad(resources.quad, named);
    unbindFrameSamplers(shader.inputs, firstFrameUnit(resources));
    unbindSamplers(shader.inputs);
    glUseProgramObjectARB(0);
    checkGlError();
}

void clearColorAndDepth()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGlError();
}

// The framebuffer bound as the frame starts: the window's, or a snapshot's.
GLuint boundFramebuffer()
{
    GLint bound = 0;
    if (haveFrameTargets())
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    return GLuint(bound);
}

void bindFramebuffer(GLuint framebuffer)
{
    if (haveFrameTargets()) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        checkGlError();
    }
}

} // namespace

void drawModelPass(FrameResources& resources, ShaderState& shader, const FrameInputs& inputs, bool sceneReadable)
{
    const MeshStore& mesh = resources.mesh;
    const MaterialsGpu& materials = resources.materials;
    const std::vector<TextureGpu>& textures = resources.textures;
    glUseProgramObjectARB(shader.program);
    checkGlError();
    uploadMatrices(shader, inputs);
    uploadStandardUniforms(shader.inputs, inputs.standard);
    bindSamplers(shader.inputs, textures);
    bindFrameSamplers(resources, shader.inputs, firstFrameUnit(resources), sceneReadable);
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
    unbindFrameSamplers(shader.inputs, firstFrameUnit(resources));
    unbindSamplers(shader.inputs);
    glUseProgramObjectARB(0);
    checkGlError();
}

void drawFrame(FrameResources& resources, ShaderState& main, PassPrograms& passes, const FrameInputs& inputs)
{
    const FramePlan& plan = passes.plan;
    const FrameExtras& extras = inputs.extras;
    if (isSingleModelPass(plan)) {
        clearColorAndDepth();
        if (extras.gradient)
            drawBackgroundGradient(extras);
        if (extras.grid)
            drawGroundGrid(*extras.grid, inputs.viewProjection);
        drawModelPass(resources, main, inputs, true);
        if (extras.edges)
            drawModelEdges(resources.mesh, inputs.viewProjection, inputs.world, inputs.cut);
        return;
    }
    GLuint frame = boundFramebuffer();
    bool targetsMade = prepareTargets(resources.targets, plan, inputs.width, inputs.height);
    bindFramebuffer(frame);
    bool sceneOffscreen = plan.sceneTarget && targetsMade;
    // multisampled, the scene is drawn into the frame's own target and resolved into the scene's
    bool sceneResolved = sceneOffscreen && resources.multisample;
    bool sceneCleared = false;
    for (size_t i = 0; i < plan.passes.size(); ++i) {
        const PassSpec& pass = plan.passes[i];
        ShaderState& program = passProgram(main, passes, i);
        bool inScene = pass.kind == PassKind::background || pass.kind == PassKind::skybox || pass.kind == PassKind::main;
        TextureTarget* target =
            inScene && sceneResolved ? nullptr : passTarget(resources.targets, pass, sceneOffscreen);
        if ((pass.kind == PassKind::buffer || pass.kind == PassKind::doubleBuffer) && !target)
            continue;
        if (pass.kind == PassKind::postprocessing && !sceneOffscreen)
            continue;
        if (target)
            bindTargetForDrawing(*target);
        else
            bindFramebuffer(frame);
        if ((inScene && !sceneCleared) || pass.kind == PassKind::postprocessing)
            clearColorAndDepth();
        if (inScene && !sceneCleared && extras.gradient)
            drawBackgroundGradient(extras);
        sceneCleared = sceneCleared || inScene;
        bool sceneReadable = !(inScene && sceneOffscreen);
        if (pass.kind == PassKind::background || pass.kind == PassKind::skybox) {
            glDepthMask(GL_FALSE);  // behind whatever comes after
            drawQuadPass(resources, program, inputs, passName(pass), sceneReadable);
            glDepthMask(GL_TRUE);
            checkGlError();
        } else if (pass.drawsModel) {
            if (extras.grid)
                drawGroundGrid(*extras.grid, inputs.viewProjection);
            drawModelPass(resources, program, inputs, sceneReadable);
            if (extras.edges)
                drawModelEdges(resources.mesh, inputs.viewProjection, inputs.world, inputs.cut);
        } else {
            drawQuadPass(resources, program, inputs, passName(pass), sceneReadable);
        }
        if (target)
            finishDrawingTarget(*target);
        if (pass.kind == PassKind::main && sceneResolved)
            resolveMultisampleTarget(*resources.multisample, resources.targets.scene.framebuffers[0],
                                     resources.targets.scene.depthFormat);
    }
    bindFramebuffer(frame);
}
