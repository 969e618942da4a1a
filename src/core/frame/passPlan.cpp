#include "core/frame/passPlan.h"

void planFrame(const ShaderDeclarations& declarations, const PlanOptions& options, FramePlan& out)
{
    out = FramePlan();
    for (int n = 0; n < mostBuffers; ++n)
        if (declarations.buffers & (1u << n))
            out.passes.push_back(PassSpec{PassKind::buffer, uint8_t(n), false});
    for (int n = 0; n < mostBuffers; ++n)
        if (declarations.doubleBuffers & (1u << n))
            out.passes.push_back(PassSpec{PassKind::doubleBuffer, uint8_t(n), false});
    if (declarations.background)
        out.passes.push_back(PassSpec{PassKind::background, 0, false});
    else if (options.skybox)
        out.passes.push_back(PassSpec{PassKind::skybox, 0, false});
    out.mainPass = out.passes.size();
    out.passes.push_back(PassSpec{PassKind::main, 0, !options.canvas});
    if (declarations.postprocessing) {
        out.passes.push_back(PassSpec{PassKind::postprocessing, 0, false});
        out.sceneTarget = true;
    }
}

bool isSingleModelPass(const FramePlan& plan)
{
    return plan.passes.size() == 1 && plan.passes[0].drawsModel;
}

std::string passDefine(const PassSpec& pass)
{
    switch (pass.kind) {
    case PassKind::buffer: return "BUFFER_" + std::to_string(pass.index);
    case PassKind::doubleBuffer: return "DOUBLE_BUFFER_" + std::to_string(pass.index);
    case PassKind::background: return "BACKGROUND";
    case PassKind::postprocessing: return "POSTPROCESSING";
    case PassKind::skybox:
    case PassKind::main: break;
    }
    return "";
}

std::string passName(const PassSpec& pass)
{
    return pass.kind == PassKind::skybox ? "SKYBOX" : passDefine(pass);
}
