#version 120
// A vertex shader as shader playgrounds have them: the u_ matrices and the a_ attributes.
// Run from data/ (see README.md):
//   ../build/spinview --fit --vertex examples/textured.vert --fragment examples/textured.frag \
//       --texture u_tex0=examples/tiles.png [MODEL.obj]

uniform mat4 u_modelMatrix;
uniform mat4 u_modelViewProjectionMatrix;
uniform mat3 u_normalMatrix;

attribute vec4 a_position;
attribute vec3 a_normal;
attribute vec2 a_texcoord;

varying vec3 v_normal;    // in the camera's space
varying vec2 v_texcoord;

void main()
{
    v_normal = u_normalMatrix * a_normal;
    v_texcoord = a_texcoord;
    gl_ClipVertex = u_modelMatrix * a_position;  // the viewer's cut is a plane of the world
    gl_Position = u_modelViewProjectionMatrix * a_position;
}
