#include "render/program.h"

#include "core/diag/log.h"
#include "render/glCheck.h"
#include "render/infoLog.h"

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

} // namespace

GLhandleARB loadShader(const char* path, GLenum shaderType, FileStatus& status)
{
    FileBytes source;
    status = readFileBytes(path, source);
    if (status != FileStatus::ok)
        return 0;
    GLhandleARB shader = compileShader(source.data, shaderType);
    freeFileBytes(source);
    return shader;
}

GLhandleARB compileShader(const char* source, GLenum shaderType)
{
    GLhandleARB shader = glCreateShaderObjectARB(shaderType);
    checkGlError();
    glShaderSourceARB(shader, 1, &source, nullptr);
    checkGlError();

    glCompileShader(shader);
    checkGlError();
    GLint compiled = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
    checkGlError();
    if (compiled)
        return shader;

    logMessage("There was error during compilation !");
    logInfoLog(shader, "Compilation error log: \n%s\n");
    glDeleteObjectARB(shader);
    return 0;
}

void linkProgram(GLhandleARB vertexShader, GLhandleARB fragmentShader, ShaderState& state)
{
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
    if (!linked)
        reportLinkFailure(state);

    if (state.program) {
        state.vpMatrixLocation = glGetUniformLocationARB(state.program, "VPMatrix");
        state.wMatrixLocation = glGetUniformLocationARB(state.program, "WMatrix");
    }
    checkGlError();
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
