#include "core/shader/passShaders.h"

namespace {

// The #version line of a vertex shader that links with the fragment shader and has gl_Vertex.
std::string versionLine(const ShaderDeclarations& fragment)
{
    if (fragment.versionLine == 0)
        return "";
    std::string profile = fragment.profile;
    if (fragment.version >= 150 && profile != "es")
        profile = "compatibility";
    return "#version " + std::to_string(fragment.version) + (profile.empty() ? "" : " " + profile) + "\n";
}

// `vec4Expression` cut to the varying's type; empty for a type that is not float or vecN.
std::string convertedTo(const std::string& type, const std::string& vec4Expression)
{
    if (type == "vec4")
        return vec4Expression;
    if (type == "vec3")
        return "(" + vec4Expression + ").xyz";
    if (type == "vec2")
        return "(" + vec4Expression + ").xy";
    if (type == "float")
        return "(" + vec4Expression + ").x";
    return "";
}

// Declarations and assignments of the declared varyings, from a vec4 expression for each.
void writeVaryings(const ShaderDeclarations& fragment, const char* const (&values)[playgroundVaryingCount],
                   std::string& declarations, std::string& assignments)
{
    const char* keyword = fragment.version >= 130 && fragment.profile != "es" ? "out" : "varying";
    for (int v = 0; v < playgroundVaryingCount; ++v) {
        const DeclaredVarying& varying = fragment.varyings[v];
        std::string value = convertedTo(varying.type, values[v]);
        if (value.empty())
            continue;
        declarations += (varying.qualifier.empty() ? "" : varying.qualifier + " ") + keyword + " " + varying.type +
                        " " + playgroundVaryingNames[v] + ";\n";
        assignments += "    " + std::string(playgroundVaryingNames[v]) + " = " + value + ";\n";
    }
}

} // namespace

void quadVertexShader(const ShaderDeclarations& fragment, std::string& out)
{
    const char* const values[playgroundVaryingCount] = {
        "vec4(gl_Vertex.xy, 0.0, 1.0)", "vec4(0.0, 0.0, 1.0, 0.0)", "vec4(gl_MultiTexCoord0.xy, 0.0, 1.0)",
        "vec4(1.0)"};
    std::string declarations, assignments;
    writeVaryings(fragment, values, declarations, assignments);
    out = versionLine(fragment) + "// the viewer's full-window quad\n" + declarations +
          "void main()\n{\n    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);\n" + assignments + "}\n";
}

void modelVertexShader(const ShaderDeclarations& fragment, std::string& out)
{
    const char* const values[playgroundVaryingCount] = {"world", "vec4(normalize(normal.xyz), 0.0)",
                                                        "vec4(gl_MultiTexCoord0.xy, 0.0, 1.0)", "gl_Color"};
    std::string declarations, assignments;
    writeVaryings(fragment, values, declarations, assignments);
    out = versionLine(fragment) +
          "// the viewer's vertex shader for the model: the spin and the camera, the world as the cut's space\n"
          "uniform vec4 VPMatrix[4];\n"
          "uniform vec4 WMatrix[4];\n" +
          declarations +
          "void main()\n{\n"
          "    vec4 world = WMatrix[0] * gl_Vertex.x + WMatrix[1] * gl_Vertex.y + WMatrix[2] * gl_Vertex.z +\n"
          "                 WMatrix[3] * gl_Vertex.w;\n"
          "    vec4 normal = WMatrix[0] * gl_MultiTexCoord1.x + WMatrix[1] * gl_MultiTexCoord1.y +\n"
          "                  WMatrix[2] * gl_MultiTexCoord1.z;\n"
          "    gl_ClipVertex = world;\n"
          "    gl_Position = VPMatrix[0] * world.x + VPMatrix[1] * world.y + VPMatrix[2] * world.z + VPMatrix[3];\n" +
          assignments + "}\n";
}

const char skyboxVertexShader[] =
    "#version 120\n"
    "// the viewer's skybox: the camera's direction through each corner of the window\n"
    "uniform mat4 u_viewMatrix;\n"
    "uniform mat4 u_projectionMatrix;\n"
    "varying vec3 direction;\n"
    "void main()\n"
    "{\n"
    "    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);\n"
    "    vec3 seen = vec3(gl_Vertex.x / u_projectionMatrix[0][0], gl_Vertex.y / u_projectionMatrix[1][1], -1.0);\n"
    "    direction = transpose(mat3(u_viewMatrix)) * seen;\n"
    "}\n";

const char skyboxFragmentShader[] =
    "#version 120\n"
    "uniform samplerCube u_cubeMap;\n"
    "varying vec3 direction;\n"
    "void main()\n"
    "{\n"
    "    gl_FragColor = vec4(textureCube(u_cubeMap, direction).rgb, 1.0);\n"
    "}\n";
