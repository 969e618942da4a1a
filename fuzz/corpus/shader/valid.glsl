#version 120
uniform vec4 VPMatrix[4];
void main() { gl_Position = VPMatrix[0] * gl_Vertex.x; }
