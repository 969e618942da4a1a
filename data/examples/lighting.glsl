// Light for the examples: a key light that swings from side to side in front of the model, once
// every six seconds, and a fill from above.
// Included by textured.frag; declares u_time itself, as a shared file would.

uniform float u_time;

// The light reaching a surface of unit normal `n`, in the camera's space (x right, y up, z out).
vec3 swingingLight(vec3 n)
{
    float angle = u_time * 6.2831853 / 6.0;
    vec3 toKey = normalize(vec3(sin(angle), 0.6, 0.9));
    float key = max(dot(n, toKey), 0.0);
    float fill = 0.6 + 0.4 * n.y;
    return vec3(1.0, 0.96, 0.88) * key + vec3(0.3, 0.32, 0.38) * fill;
}
