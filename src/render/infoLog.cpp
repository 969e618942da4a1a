#include "render/infoLog.h"

#include "core/diag/log.h"
#include "render/glCheck.h"

#include <cstdlib>

void logInfoLog(GLhandleARB object, const char* format, std::string* text)
{
    if (text)
        text->clear();
    GLint length = 0, written = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    checkGlError();
    if (length <= 1)  // 1 holds only the terminator
        return;
    char* log = static_cast<char*>(malloc(size_t(length) + 1));
    if (!log) {
        logMessage("Not enough memory for an info log of %d bytes", length);
        return;
    }
    log[0] = '\0';
    glGetInfoLogARB(object, length, &written, log);
    checkGlError();
    log[length] = '\0';
    logMessage(format, log);
    if (text)
        *text = log;
    free(log);
}
