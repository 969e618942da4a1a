#include "render/passPrograms.h"

void planMainPassOnly(PassPrograms& passes, bool drawsModel)
{
    passes.plan = FramePlan();
    passes.plan.passes.push_back(PassSpec{PassKind::main, 0, drawsModel});
    passes.programs.assign(1, ShaderState());
}

ShaderState& passProgram(ShaderState& main, PassPrograms& passes, size_t index)
{
    return index == passes.plan.mainPass ? main : passes.programs[index];
}

bool allPassesLinked(const ShaderState& main, const PassPrograms& passes)
{
    if (!main.program)
        return false;
    for (size_t i = 0; i < passes.programs.size(); ++i)
        if (i != passes.plan.mainPass && !passes.programs[i].program)
            return false;
    return true;
}

void deletePassPrograms(PassPrograms& passes)
{
    for (size_t i = 0; i < passes.programs.size(); ++i)
        if (i != passes.plan.mainPass)
            deleteProgram(passes.programs[i]);
}

bool replacePassPrograms(ShaderState& main, PassPrograms& passes, ShaderState& freshMain, PassPrograms& fresh)
{
    if (!allPassesLinked(freshMain, fresh)) {
        deletePassPrograms(fresh);
        deleteProgram(freshMain);
        return false;
    }
    replaceProgram(main, freshMain);
    deletePassPrograms(passes);
    passes = fresh;
    fresh = PassPrograms();
    return true;
}
