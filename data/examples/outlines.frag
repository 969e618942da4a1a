#version 120
// Two passes of one file: the model in bands of light, then the window drawn from the scene,
// with dark outlines where the depth jumps and a vignette. The model's varyings are the
// playgrounds' (v_normal, v_texcoord): the viewer writes the vertex shader that gives them.

uniform sampler2D u_scene;
uniform sampler2D u_sceneDepth;
uniform vec2 u_resolution;

varying vec3 v_normal;
varying vec2 v_texcoord;

void main()
{
#ifdef POSTPROCESSING
    vec2 st = gl_FragCoord.xy / u_resolution;
    vec2 step = 1.5 / u_resolution;
    float depth = texture2D(u_sceneDepth, st).r;
    float jump = abs(texture2D(u_sceneDepth, st + vec2(step.x, 0.0)).r - depth) +
                 abs(texture2D(u_sceneDepth, st - vec2(step.x, 0.0)).r - depth) +
                 abs(texture2D(u_sceneDepth, st + vec2(0.0, step.y)).r - depth) +
                 abs(texture2D(u_sceneDepth, st - vec2(0.0, step.y)).r - depth);
    vec3 colour = mix(texture2D(u_scene, st).rgb, vec3(0.05, 0.03, 0.08), smoothstep(0.001, 0.004, jump));
    float vignette = smoothstep(0.95, 0.35, length(st - 0.5));
    gl_FragColor = vec4(colour * vignette, 1.0);
#else
    vec3 n = normalize(gl_FrontFacing ? v_normal : -v_normal);
    float light = max(dot(n, vec3(0.6, 0.64, 0.48)), 0.0);
    float band = 0.3 + 0.7 * floor(light * 4.0 + 0.5) / 4.0;
    vec3 base = mix(vec3(0.15, 0.45, 0.85), vec3(0.95, 0.78, 0.3), step(0.5, fract(v_texcoord.x * 12.0)));
    gl_FragColor = vec4(base * band, 1.0);
#endif
}
