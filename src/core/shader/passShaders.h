#pragma once
// The shaders the viewer writes itself: the vertex shaders that give a fragment shader the
// playgrounds' varyings (on a full-window quad, or on the model), and the skybox's pair.

#include "core/shader/shaderDeclarations.h"

#include <string>

// A vertex shader for a full-window quad whose corners come as gl_Vertex.xy (-1 to 1) and
// gl_MultiTexCoord0.xy (0 to 1): it writes each playground varying the fragment shader declares,
// with its type and interpolation qualifier: v_position the corner (x, y, 0, 1), v_texcoord from
// 0 to 1 across the window, v_normal (0, 0, 1), v_color white. In the fragment shader's GLSL
// version (a version of 150 or more in its compatibility profile, for gl_Vertex).
void quadVertexShader(const ShaderDeclarations& fragment, std::string& out);

// A vertex shader for the model that places it as the shipped one does (WMatrix, then VPMatrix,
// gl_ClipVertex in the world) and writes the playground varyings the fragment shader declares:
// v_position the world position (w = 1), v_normal the world normal, v_texcoord the mesh's texture
// coordinate, v_color its vertex colour.
void modelVertexShader(const ShaderDeclarations& fragment, std::string& out);

// The skybox: a full-window quad whose fragments look up u_cubeMap in the direction the camera
// sees through them (u_viewMatrix and u_projectionMatrix).
extern const char skyboxVertexShader[];
extern const char skyboxFragmentShader[];
