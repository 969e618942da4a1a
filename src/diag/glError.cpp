#include "diag/log.h"

#include <GL/glew.h>

void checkGlError()
{
    logGlError(glGetError());
}
