#include "render/program.h"

#include "core/diag/log.h"
#include "core/shader/compileLog.h"
#include "render/glCheck.h"
#include "render/infoLog.h"

#include <cstring>
#include <string>

namespace {

void deleteObject(GLhandleARB object)
{
    if (!object)
        return;
    glDeleteObjectARB(object);
    checkGlError();
}

// Logs the link failure with the driver's log and deletes the program.
void reportLinkFailure(ShaderState& state)
{
    logMessage("There was error during linking !");
    logInfoLog(state.program, "Linking error log: \n%s\n");
    glDeleteObjectARB(state.program);
    checkGlError();
    state.program = 0;
}

// Logs each line of `lines` as a message of its own.
void logLines(const std::string& lines)
{
    for (size_t at = 0; at < lines.size();) {
        size_t end = lines.find('\n', at);
        logMessage("%s", lines.substr(at, end - at).c_str());
        at = end == std::string::npos ? lines.size() : end + 1;
    }
}

// Compiles the expanded source into a new shader object; on failure, logs the headline, the
// driver's log and its editor lines, deletes the object and returns 0.
GLhandleARB compileSource(const ShaderSource& source, GLenum shaderType)
{
    GLhandleARB shader = glCreateShaderObjectARB(shaderType);
    checkGlError();
    const GLcharARB* text = source.text.data;
    glShaderSourceARB(shader, 1, &text, nullptr);
    checkGlError();

    glCompileShader(shader);
    checkGlError();
    GLint compiled = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
    checkGlError();
    if (compiled)
        return shader;

    logMessage("There was error during compilation !");
    std::string log, lines;
    logInfoLog(shader, "Compilation error log: \n%s\n", &log);
    glDeleteObjectARB(shader);
    editorLinesOfLog(log.c_str(), source, lines);
    logLines(lines);
    return 0;
}

} // namespace

GLhandleARB loadShader(const char* path, GLenum shaderType, FileStatus& status, std::vector<SourceFile>* files)
{
    ShaderSource source;
    status = expandIncludes(path, readSourceFile, nullptr, source);
    if (files)
        *files = source.files;
    if (status != FileStatus::ok)
        return 0;
    GLhandleARB shader = 0;
    if (source.problems.empty()) {
        shader = compileSource(source, shaderType);
    } else {
        std::string lines;
        editorLinesOfProblems(source, lines);
        logMessage("There was error during compilation !");
        logLines(lines);
    }
    freeShaderSource(source);
    return shader;
}

GLhandleARB compileShader(const char* text, const char* name, GLenum shaderType)
{
    ShaderSource source;
    source.text = FileBytes{const_cast<char*>(text), strlen(text)};
    source.files.push_back(SourceFile{name, FileStamp{}});
    source.runs.push_back(LineRun{1, 0, 1});
    GLhandleARB shader = compileSource(source, shaderType);
    source.text = FileBytes{nullptr, 0};  // not ours to free
    return shader;
}

void linkProgram(GLhandleARB vertexShader, GLhandleARB fragmentShader, ShaderState& state,
                 const std::vector<const char*>& textureNames)
{
    state.inputs = ProgramInputs();
    state.vertexShader = vertexShader;
    state.fragmentShader = fragmentShader;
    state.program = glCreateProgramObjectARB();
    checkGlError();
    // a shader that failed to compile is attached as handle 0: the check reports the error
    glAttachObjectARB(state.program, state.vertexShader);
    checkGlError();
    glAttachObjectARB(state.program, state.fragmentShader);
    checkGlError();
    glLinkProgramARB(state.program);
    checkGlError();

    GLint linked = 0;
    glGetObjectParameterivARB(state.program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    checkGlError();
    if (!linked || (state.program && !bindNamedAttributes(state.program, state.inputs)))
        reportLinkFailure(state);

    if (state.program) {
        state.vpMatrixLocation = glGetUniformLocationARB(state.program, "VPMatrix");
        state.wMatrixLocation = glGetUniformLocationARB(state.program, "WMatrix");
        findUniformInputs(state.program, textureNames, state.inputs);
    }
    checkGlError();
    if (state.program)
        logProgramInputs(state.inputs, textureNames);
    else
        state.inputs = ProgramInputs();
}

void validateProgramOnce(ShaderState& state)
{
    if (state.programValidated)
        return;
    state.programValidated = true;
    glValidateProgramARB(state.program);
    checkGlError();
    GLint valid = 0;
    glGetObjectParameterivARB(state.program, GL_OBJECT_VALIDATE_STATUS_ARB, &valid);
    checkGlError();
    if (!valid) {
        logMessage("Error while validating program !");
        logInfoLog(state.program, "Validation error log: \n%s\n");
    } else {
        logMessage("Program validated successfully !");
        logInfoLog(state.program, "Validation warnings log: \n%s\n");
    }
}

void deleteShaders(ShaderState& state)
{
    deleteObject(state.vertexShader);
    deleteObject(state.fragmentShader);
    state.vertexShader = state.fragmentShader = 0;
}

bool replaceProgram(ShaderState& current, ShaderState& fresh)
{
    if (!fresh.program) {
        deleteShaders(fresh);
        return false;
    }
    deleteObject(current.program);
    deleteShaders(current);
    current = fresh;
    current.programValidated = false;
    return true;
}
