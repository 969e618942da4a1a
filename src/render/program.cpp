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

// The headline of a failure: "There was error during compilation !", or "... of [BUFFER_0] !".
std::string headline(const char* what, const std::string& pass)
{
    return std::string("There was error during ") + what + (pass.empty() ? "" : " of [" + pass + "]") + " !";
}

// Logs the link failure with the driver's log and deletes the program.
void reportLinkFailure(ShaderState& state, const std::string& pass)
{
    logMessage("%s", headline("linking", pass).c_str());
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

} // namespace

GLhandleARB compileShaderSource(const ShaderSource& source, GLenum shaderType, const std::string& pass)
{
    if (!source.problems.empty()) {
        std::string lines;
        editorLinesOfProblems(source, lines, pass);
        logMessage("%s", headline("compilation", pass).c_str());
        logLines(lines);
        return 0;
    }
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

    logMessage("%s", headline("compilation", pass).c_str());
    std::string log, lines;
    logInfoLog(shader, "Compilation error log: \n%s\n", &log);
    glDeleteObjectARB(shader);
    editorLinesOfLog(log.c_str(), source, lines, pass);
    logLines(lines);
    return 0;
}

GLhandleARB loadShader(const char* path, GLenum shaderType, FileStatus& status, std::vector<SourceFile>* files)
{
    ShaderSource source;
    status = expandIncludes(path, readSourceFile, nullptr, source);
    if (files)
        *files = source.files;
    if (status != FileStatus::ok)
        return 0;
    GLhandleARB shader = compileShaderSource(source, shaderType);
    freeShaderSource(source);
    return shader;
}

GLhandleARB compileShader(const char* text, const char* name, GLenum shaderType, const std::string& pass)
{
    ShaderSource source;
    source.text = FileBytes{const_cast<char*>(text), strlen(text)};
    source.files.push_back(SourceFile{name, FileStamp{}});
    source.runs.push_back(LineRun{1, 0, 1});
    GLhandleARB shader = compileShaderSource(source, shaderType, pass);
    source.text = FileBytes{nullptr, 0};  // not ours to free
    return shader;
}

void linkProgram(GLhandleARB vertexShader, GLhandleARB fragmentShader, ShaderState& state,
                 const std::vector<const char*>& textureNames, const std::string& pass, std::vector<std::string>* told,
                 bool tellInputs)
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
        reportLinkFailure(state, pass);

    if (state.program) {
        state.vpMatrixLocation = glGetUniformLocationARB(state.program, "VPMatrix");
        state.wMatrixLocation = glGetUniformLocationARB(state.program, "WMatrix");
        findUniformInputs(state.program, textureNames, state.inputs, told);
    }
    checkGlError();
    if (state.program && tellInputs)
        logProgramInputs(state.inputs, textureNames, pass);
    else if (!state.program)
        state.inputs = ProgramInputs();
}

void validateProgramOnce(ShaderState& state, const std::string& pass)
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
        logMessage("Error while validating program%s !", pass.empty() ? "" : (" [" + pass + "]").c_str());
        logInfoLog(state.program, "Validation error log: \n%s\n");
    } else if (!pass.empty()) {
        return;  // one line for the frame's program: the main pass's
    } else {
        logMessage("Program validated successfully !");
        logInfoLog(state.program, "Validation warnings log: \n%s\n");
    }
}

void deleteProgram(ShaderState& state)
{
    deleteObject(state.program);
    deleteShaders(state);
    state = ShaderState();
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
