#include "render/entryPoints.h"

#include "core/diag/entryPointList.h"
#include "core/diag/log.h"

#include <GL/glew.h>

bool haveEntryPoints()
{
    const EntryPoint points[] = {
        {"glDrawRangeElements", reinterpret_cast<const void*>(glDrawRangeElements)},
        {"glClientActiveTexture", reinterpret_cast<const void*>(glClientActiveTexture)},
        {"glGenBuffers", reinterpret_cast<const void*>(glGenBuffers)},
        {"glBindBuffer", reinterpret_cast<const void*>(glBindBuffer)},
        {"glBufferData", reinterpret_cast<const void*>(glBufferData)},
        {"glBufferSubData", reinterpret_cast<const void*>(glBufferSubData)},
        {"glDeleteBuffers", reinterpret_cast<const void*>(glDeleteBuffers)},
        {"glCompileShader", reinterpret_cast<const void*>(glCompileShader)},
        {"glCreateShaderObjectARB", reinterpret_cast<const void*>(glCreateShaderObjectARB)},
        {"glShaderSourceARB", reinterpret_cast<const void*>(glShaderSourceARB)},
        {"glCreateProgramObjectARB", reinterpret_cast<const void*>(glCreateProgramObjectARB)},
        {"glAttachObjectARB", reinterpret_cast<const void*>(glAttachObjectARB)},
        {"glLinkProgramARB", reinterpret_cast<const void*>(glLinkProgramARB)},
        {"glValidateProgramARB", reinterpret_cast<const void*>(glValidateProgramARB)},
        {"glUseProgramObjectARB", reinterpret_cast<const void*>(glUseProgramObjectARB)},
        {"glGetObjectParameterivARB", reinterpret_cast<const void*>(glGetObjectParameterivARB)},
        {"glGetInfoLogARB", reinterpret_cast<const void*>(glGetInfoLogARB)},
        {"glGetUniformLocationARB", reinterpret_cast<const void*>(glGetUniformLocationARB)},
        {"glUniform4fvARB", reinterpret_cast<const void*>(glUniform4fvARB)},
        {"glDeleteObjectARB", reinterpret_cast<const void*>(glDeleteObjectARB)},
        // for the inputs a program takes by name
        {"glGetActiveAttribARB", reinterpret_cast<const void*>(glGetActiveAttribARB)},
        {"glGetActiveUniformARB", reinterpret_cast<const void*>(glGetActiveUniformARB)},
        {"glBindAttribLocationARB", reinterpret_cast<const void*>(glBindAttribLocationARB)},
        {"glEnableVertexAttribArrayARB", reinterpret_cast<const void*>(glEnableVertexAttribArrayARB)},
        {"glDisableVertexAttribArrayARB", reinterpret_cast<const void*>(glDisableVertexAttribArrayARB)},
        {"glVertexAttribPointerARB", reinterpret_cast<const void*>(glVertexAttribPointerARB)},
        {"glUniform1fARB", reinterpret_cast<const void*>(glUniform1fARB)},
        {"glUniform1iARB", reinterpret_cast<const void*>(glUniform1iARB)},
        {"glUniform2fARB", reinterpret_cast<const void*>(glUniform2fARB)},
        {"glUniform3fARB", reinterpret_cast<const void*>(glUniform3fARB)},
        {"glUniformMatrix3fvARB", reinterpret_cast<const void*>(glUniformMatrix3fvARB)},
        {"glUniformMatrix4fvARB", reinterpret_cast<const void*>(glUniformMatrix4fvARB)},
        {"glActiveTexture", reinterpret_cast<const void*>(glActiveTexture)},
    };
    char names[1024];
    if (listMissingEntryPoints(points, sizeof(points) / sizeof(points[0]), names, sizeof(names)) == 0)
        return true;
    logMessage("This viewer needs OpenGL 2.0 with GL_ARB_shader_objects; the context (OpenGL %s) lacks: %s",
               reinterpret_cast<const char*>(glGetString(GL_VERSION)), names);
    return false;
}
