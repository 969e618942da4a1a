#version 120
// Diffuse and specular light from a fixed direction on a checker pattern laid out by the texture
// coordinates, so the spin shows. Back faces, seen through the cut, are a darker violet.
// A model with materials or vertex colours is drawn in them instead, the viewer setting the
// u_ material uniforms (u_opacity stays 0 for a model without), its back faces darkened.

uniform vec3 u_diffuseColor;
uniform vec3 u_specularColor;
uniform float u_shininess;
uniform float u_opacity;
uniform sampler2D u_diffuseMap;

varying vec3 worldPosition;
varying vec3 worldNormal;
varying vec2 surfaceCoord;
varying vec3 vertexColour;

const vec3 toLight = vec3(0.6, 0.64, 0.48);  // unit length, from the camera's side
const vec3 eye = vec3(50.0, 0.0, 0.0);

// The material's diffuse colour, map and vertex colour, lit as the checker is; back faces darker.
vec4 materialColour(vec3 n, vec3 toEye)
{
    vec3 base = u_diffuseColor * vertexColour * texture2D(u_diffuseMap, surfaceCoord).rgb;
    if (!gl_FrontFacing)
        n = -n;
    float diffuse = max(dot(n, toLight), 0.0);
    float specular = pow(max(dot(reflect(-toLight, n), toEye), 0.0), max(u_shininess, 1.0));
    vec3 lit = base * (0.25 + 0.75 * diffuse) + u_specularColor * specular;
    return vec4(gl_FrontFacing ? lit : 0.55 * lit, u_opacity);
}

void main()
{
    vec3 n = normalize(worldNormal);
    vec3 toEye = normalize(eye - worldPosition);

    if (u_opacity > 0.0) {
        gl_FragColor = materialColour(n, toEye);
        return;
    }

    if (!gl_FrontFacing) {
        float facing = abs(dot(n, toEye));
        gl_FragColor = vec4(vec3(0.22, 0.10, 0.30) * (0.45 + 0.55 * facing), 1.0);
        return;
    }

    float checker = mod(floor(surfaceCoord.x * 24.0) + floor(surfaceCoord.y * 8.0), 2.0);
    vec3 base = mix(vec3(0.80, 0.38, 0.10), vec3(0.95, 0.78, 0.30), checker);
    float diffuse = max(dot(n, toLight), 0.0);
    float specular = pow(max(dot(reflect(-toLight, n), toEye), 0.0), 40.0);
    gl_FragColor = vec4(base * (0.25 + 0.75 * diffuse) + vec3(0.6) * specular, 1.0);
}
