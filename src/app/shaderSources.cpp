#include "app/shaderSources.h"

#include "app/builtinShaders.h"
#include "core/platform/platform.h"
#include "render/program.h"

void useBuiltinShadersWhereMissing(ViewerOptions& options)
{
    if (!options.modelNamed)
        return;
    if (!options.vertexNamed && !fileStamp(options.vertexShader).exists)
        options.vertexSource = builtinVertexShader;
    if (!options.fragmentNamed && !fileStamp(options.fragmentShader).exists)
        options.fragmentSource = builtinFragmentShader;
}

GLhandleARB loadShaderStage(const char* path, const char* builtin, GLenum shaderType, FileStatus& status,
                            std::vector<SourceFile>& files)
{
    files.clear();
    if (!builtin)
        return loadShader(path, shaderType, status, &files);
    status = FileStatus::ok;
    return compileShader(builtin, path, shaderType);
}
