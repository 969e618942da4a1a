#include "render/glCheck.h"

#include "core/diag/log.h"

#include <GL/glew.h>

void checkGlError()
{
    logGlError(glGetError());
}
