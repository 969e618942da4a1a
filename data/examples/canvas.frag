// A canvas shader as the playgrounds write them: spinview canvas.frag draws it on the whole
// window. Rings that spread from a point going round, over a buffer that keeps a fading trail
// of that point.

#ifdef GL_ES
precision mediump float;
#endif

uniform sampler2D u_buffer0;
uniform vec2 u_resolution;
uniform float u_time;

varying vec2 v_texcoord;

void main()
{
    vec2 st = v_texcoord;
    vec2 aspect = vec2(u_resolution.x / u_resolution.y, 1.0);
    vec2 centre = 0.5 + 0.3 * vec2(cos(u_time), sin(1.5 * u_time));
    float away = length((st - centre) * aspect);
    float rings = 0.5 + 0.5 * sin(60.0 * away - 6.0 * u_time);

#ifdef BUFFER_0
    // the trail: last frame's, fading, with the point of now
    vec3 trail = texture2D(u_buffer0, st).rgb * 0.97;
    gl_FragColor = vec4(max(trail, vec3(0.9, 0.35, 0.1) * smoothstep(0.05, 0.0, away)), 1.0);
#else
    vec3 ground = mix(vec3(0.05, 0.07, 0.16), vec3(0.1, 0.3, 0.45), st.y);
    gl_FragColor = vec4(ground + 0.25 * rings * vec3(0.2, 0.5, 0.8) + texture2D(u_buffer0, st).rgb, 1.0);
#endif
}
