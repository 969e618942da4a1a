#version 120
// Spins the mesh with WMatrix and projects it with VPMatrix. Both matrices arrive as their four
// columns. The clip vertex is written in world space, so clip plane 0 (z >= 0) cuts the spinning
// mesh along a fixed plane through its centre.

uniform vec4 VPMatrix[4];
uniform vec4 WMatrix[4];

varying vec3 worldPosition;
varying vec3 worldNormal;
varying vec2 surfaceCoord;
varying vec3 vertexColour;  // white for a mesh without colours

vec4 transformByVP(vec4 p)
{
    return VPMatrix[0] * p.x + VPMatrix[1] * p.y + VPMatrix[2] * p.z + VPMatrix[3] * p.w;
}

vec4 transformByW(vec4 p)
{
    return WMatrix[0] * p.x + WMatrix[1] * p.y + WMatrix[2] * p.z + WMatrix[3] * p.w;
}

void main()
{
    vec4 world = transformByW(gl_Vertex);
    worldPosition = world.xyz;
    worldNormal = transformByW(vec4(gl_MultiTexCoord1.xyz, 0.0)).xyz;
    surfaceCoord = gl_MultiTexCoord0.xy;
    vertexColour = gl_Color.rgb;
    gl_ClipVertex = world;
    gl_Position = transformByVP(world);
}
