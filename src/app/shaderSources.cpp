#include "app/shaderSources.h"

#include "app/builtinShaders.h"
#include "app/lookShader.h"
#include "app/textureFiles.h"
#include "core/diag/log.h"
#include "core/platform/platform.h"
#include "core/shader/passShaders.h"
#include "core/shader/shaderDeclarations.h"
#include "render/program.h"

#include <cstring>
#include <string>

void useBuiltinShadersWhereMissing(ViewerOptions& options)
{
    if (!options.modelNamed && options.fragmentNamed && !options.vertexNamed && !fileStamp(options.model).exists)
        options.canvas = true;
    bool noShaderNamed = !options.vertexNamed && !options.fragmentNamed;
    bool noShaderThere = !fileStamp(options.vertexShader).exists && !fileStamp(options.fragmentShader).exists;
    if (!options.classicLook && noShaderNamed && !options.canvas &&
        (options.lookNamed || (options.modelNamed && noShaderThere))) {
        options.look = true;
        options.vertexSource = builtinVertexShader;
        options.fragmentSource = lookFragmentShader;
        return;
    }
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

namespace {

// A stage's text: its file with its includes, or the built-in text (as a source of one line run).
FileStatus readStage(const char* path, const char* builtin, ShaderSource& out)
{
    if (!builtin)
        return expandIncludes(path, readSourceFile, nullptr, out);
    out.files.push_back(SourceFile{path, FileStamp{}});
    out.runs.push_back(LineRun{1, 0, 1});
    out.text = FileBytes{const_cast<char*>(builtin), strlen(builtin)};
    return FileStatus::ok;
}

// Frees a stage read by readStage; a built-in text is not ours to free.
void freeStage(ShaderSource& source, const char* builtin)
{
    if (builtin)
        source.text = FileBytes{nullptr, 0};
    freeShaderSource(source);
}

// Compiles the stage of the viewer's own text, its messages naming it as `name`.
GLhandleARB compileOwnStage(const std::string& text, const char* name, GLenum type, const std::string& pass)
{
    return compileShader(text.c_str(), name, type, pass);
}

// True when the main pass's vertex shader is one the viewer writes: on the canvas, unless one is
// named; on a model, for a fragment shader that reads the playgrounds' varyings and a vertex
// shader not named that writes none of them (the shipped one, from its file or built in).
bool writesMainVertexShader(const ViewerOptions& options, const ShaderSource& vertex,
                            const ShaderDeclarations& declarations)
{
    if (options.canvas)
        return !options.vertexNamed;
    if (options.vertexNamed || !readsPlaygroundVaryings(declarations))
        return false;
    ShaderDeclarations written;
    if (vertex.text.data)
        scanShaderDeclarations(vertex.text.data, vertex.text.size, written);
    return written.varyingOutputs == 0;
}

// The main pass's program: the vertex file, the built-in text or the viewer's own, the fragment
// shader as it is.
void buildMainProgram(const ViewerOptions& options, const ShaderSource& vertex, const ShaderSource& fragment,
                      const ShaderDeclarations& declarations, bool vertexRead, bool fragmentRead,
                      const std::vector<const char*>& textures, ShaderState& main, bool linkFailedStages,
                      std::vector<std::string>& told)
{
    main = ShaderState();
    if (fragmentRead && writesMainVertexShader(options, vertex, declarations)) {
        std::string text;
        if (options.canvas)
            quadVertexShader(declarations, text);
        else
            modelVertexShader(declarations, text);
        main.vertexShader = compileOwnStage(text, options.canvas ? "(quad vertex shader)" : "(model vertex shader)",
                                            GL_VERTEX_SHADER_ARB, "");
    } else {
        main.vertexShader = vertexRead ? compileShaderSource(vertex, GL_VERTEX_SHADER_ARB) : 0;
    }
    main.fragmentShader = fragmentRead ? compileShaderSource(fragment, GL_FRAGMENT_SHADER_ARB) : 0;
    if ((main.vertexShader && main.fragmentShader) || linkFailedStages)
        linkProgram(main.vertexShader, main.fragmentShader, main, textures, "", &told, !options.look);
}

// The program of a pass other than the main one; false when it does not compile or link.
bool buildPassProgram(const PassSpec& pass, const ShaderSource& fragment, const ShaderDeclarations& declarations,
                      const std::vector<const char*>& textures, ShaderState& program, std::vector<std::string>& told)
{
    std::string name = passName(pass);
    program = ShaderState();
    if (pass.kind == PassKind::skybox) {
        program.vertexShader = compileOwnStage(skyboxVertexShader, "(skybox vertex shader)", GL_VERTEX_SHADER_ARB, name);
        program.fragmentShader =
            compileOwnStage(skyboxFragmentShader, "(skybox fragment shader)", GL_FRAGMENT_SHADER_ARB, name);
    } else {
        std::string quad;
        quadVertexShader(declarations, quad);
        program.vertexShader = compileOwnStage(quad, "(quad vertex shader)", GL_VERTEX_SHADER_ARB, name);
        ShaderSource defined;
        if (copyWithLineInserted(fragment, declarations.versionLine, "#define " + passDefine(pass), defined))
            program.fragmentShader = compileShaderSource(defined, GL_FRAGMENT_SHADER_ARB, name);
        freeShaderSource(defined);
    }
    if (program.vertexShader && program.fragmentShader)
        linkProgram(program.vertexShader, program.fragmentShader, program, textures, name, &told);
    return program.program != 0;
}

} // namespace

void loadPassPrograms(const ViewerOptions& options, ShaderState& main, PassPrograms& passes, LoadedStages& loaded,
                      bool linkFailedStages)
{
    ShaderSource vertex, fragment;
    // the canvas's vertex shader is the viewer's own, unless one is named
    bool readVertex = !(options.canvas && !options.vertexNamed);
    if (readVertex)
        loaded.vertexStatus = readStage(options.vertexShader, options.vertexSource, vertex);
    loaded.fragmentStatus = readStage(options.fragmentShader, options.fragmentSource, fragment);
    loaded.vertexFiles = vertex.files;
    loaded.fragmentFiles = fragment.files;
    main = ShaderState();
    planMainPassOnly(passes, !options.canvas);
    if (loaded.vertexStatus != FileStatus::cannotOpen && loaded.fragmentStatus != FileStatus::cannotOpen) {
        bool fragmentRead = loaded.fragmentStatus == FileStatus::ok;
        ShaderDeclarations declarations;
        if (fragmentRead) {
            scanShaderDeclarations(fragment.text.data, fragment.text.size, declarations);
            PlanOptions planOptions;
            planOptions.canvas = options.canvas;
            planOptions.skybox = options.skybox;
            planFrame(declarations, planOptions, passes.plan);
            passes.programs.assign(passes.plan.passes.size(), ShaderState());
            for (const std::string& name : declarations.buffersPastLimit)
                logMessage("%s is past the %d buffers of each kind a frame draws: it reads black", name.c_str(),
                           mostBuffers);
        }
        std::vector<const char*> textures = textureNames(options);
        std::vector<std::string> told;
        buildMainProgram(options, vertex, fragment, declarations, readVertex && loaded.vertexStatus == FileStatus::ok,
                         fragmentRead, textures, main, linkFailedStages, told);
        for (size_t i = 0; main.program && i < passes.plan.passes.size(); ++i)
            if (i != passes.plan.mainPass &&
                !buildPassProgram(passes.plan.passes[i], fragment, declarations, textures, passes.programs[i], told))
                break;
    }
    if (readVertex)
        freeStage(vertex, options.vertexSource);
    freeStage(fragment, options.fragmentSource);
}
