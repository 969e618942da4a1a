#version 120
// The texture u_tex0 under the swinging light of lighting.glsl, with a pulse of its own colours
// that sweeps up the picture every two seconds.

#include "lighting.glsl"

uniform sampler2D u_tex0;
uniform vec2 u_resolution;

varying vec3 v_normal;
varying vec2 v_texcoord;

void main()
{
    vec3 colour = texture2D(u_tex0, v_texcoord).rgb;
    float height = gl_FragCoord.y / u_resolution.y;
    float pulse = smoothstep(0.08, 0.0, abs(height - fract(u_time * 0.5)));
    vec3 lit = colour * swingingLight(normalize(gl_FrontFacing ? v_normal : -v_normal));
    gl_FragColor = vec4(mix(lit, colour * 1.3, 0.6 * pulse), 1.0);
}
