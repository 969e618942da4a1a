#pragma once
// Checking that the OpenGL entry points the viewer reaches through GLEW are there.

// Needs glewInit to have run. True when the context offers every entry point the viewer calls;
// otherwise logs the missing ones (the context is older than OpenGL 2.0, or lacks
// GL_ARB_shader_objects) and returns false.
bool haveEntryPoints();
