#include "assets/shaderLoader.h"

#include "assets/fileBytes.h"
#include "diag/log.h"

#include <cstdlib>

namespace {

void logCompileFailure(GLhandleARB shader)
{
    logMessage("There was error during compilation !");
    GLint length = 0, written = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    checkGlError();
    if (length <= 1)  // 1 holds only the terminator
        return;
    char* log = static_cast<char*>(malloc(size_t(length) + 1));
    if (!log) {
        logMessage("Not enough memory for the compilation error log");
        return;
    }
    log[0] = '\0';
    glGetInfoLogARB(shader, length, &written, log);
    checkGlError();
    log[length] = '\0';
    logMessage("Compilation error log: \n%s\n", log);
    free(log);
}

} // namespace

GLhandleARB loadShader(const char* path, GLenum shaderType)
{
    FileBytes source;
    FileStatus status = readFileBytes(path, source);
    if (status == FileStatus::cannotOpen) {
        logMessage("Cannot open file [%s]", path);
        exit(1);
    }
    if (status == FileStatus::outOfMemory) {
        logMessage("Not enough memory to read [%s]", path);
        return 0;
    }

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

    logCompileFailure(shader);
    glDeleteObjectARB(shader);
    return 0;
}
