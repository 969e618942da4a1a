#include "assets/shaderLoader.h"

#include "diag/infoLog.h"
#include "diag/log.h"

#include <cstdlib>

GLhandleARB compileShaderFile(const char* path, GLenum shaderType, FileStatus& status)
{
    FileBytes source;
    status = readFileBytes(path, source);
    if (status != FileStatus::ok)
        return 0;

    GLhandleARB shader = glCreateShaderObjectARB(shaderType);
    checkGlError();
    const GLcharARB* text = source.data;
    glShaderSourceARB(shader, 1, &text, nullptr);
    checkGlError();
    freeFileBytes(source);

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

GLhandleARB loadShader(const char* path, GLenum shaderType)
{
    FileStatus status;
    GLhandleARB shader = compileShaderFile(path, shaderType, status);
    if (status != FileStatus::ok)
        logMessage(unreadableFileMessage(status), path);
    if (status == FileStatus::cannotOpen)
        exit(1);
    return shader;
}
