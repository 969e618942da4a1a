#include "app/lookShader.h"

#include <cstring>

// glTF's metallic-roughness reference BRDF (GGX distribution, height-correlated Smith visibility,
// Schlick Fresnel, Lambert diffuse) under one key light, and the environment's light: diffuse from
// its spherical harmonics, specular from the prefiltered map and the split-sum table. Then the
// exposure, Khronos' PBR Neutral tone mapping and the sRGB encoding. u_opacity 0 is a model
// without materials: light grey, roughness 0.5, reflectance 0.04.
extern const char lookFragmentShader[] = R"(#version 120
#extension GL_ARB_shader_texture_lod : require

// What the program reads of the model's materials, chosen by lookFragmentText; the text as it is
// reads all of it.
#ifndef LOOK_VARIANT
#define LOOK_MATERIALS
#define LOOK_DIFFUSE_MAP
#define LOOK_NORMAL_MAP
#define LOOK_METALLIC_ROUGHNESS_MAP
#define LOOK_OCCLUSION_MAP
#define LOOK_EMISSIVE_MAP
#endif

#ifdef LOOK_MATERIALS
uniform vec3 u_diffuseColor;
uniform float u_opacity;
uniform float u_metallic;
uniform float u_roughness;
uniform vec3 u_reflectance;
uniform vec3 u_emissiveColor;
uniform float u_alphaCutoff;
#endif
#ifdef LOOK_DIFFUSE_MAP
uniform sampler2D u_diffuseMap;
#endif
#ifdef LOOK_NORMAL_MAP
uniform sampler2D u_normalMap;
#endif
#ifdef LOOK_METALLIC_ROUGHNESS_MAP
uniform sampler2D u_metallicRoughnessMap;
#endif
#ifdef LOOK_OCCLUSION_MAP
uniform sampler2D u_occlusionMap;
#endif
#ifdef LOOK_EMISSIVE_MAP
uniform sampler2D u_emissiveMap;
#endif
uniform samplerCube u_prefilteredMap;
uniform sampler2D u_brdfTable;
uniform vec3 u_SH[9];
uniform vec3 u_camera;
uniform float u_exposure;
uniform vec3 u_lightDirection;

varying vec3 worldPosition;
varying vec3 worldNormal;
varying vec2 surfaceCoord;
varying vec3 vertexColour;

const float pi = 3.14159265;
const float keyLight = 2.0;         // the key light's irradiance on a surface facing it
const float prefilteredLevels = 6.0;  // as splitSum.h makes them

vec3 linearOfSrgb(vec3 c)
{
    return mix(c / 12.92, pow((c + 0.055) / 1.055, vec3(2.4)), step(0.04045, c));
}

// sRGB's encoding of c from 0 to 1, its power 1.055 c^(1/2.4) - 0.055 fitted by square roots, which
// cost a fraction of a power: within 0.01 of an 8-bit level of it from 0.0031308 to 1.
vec3 srgbOfLinear(vec3 c)
{
    vec3 s1 = sqrt(c), s2 = sqrt(s1), s3 = sqrt(s2);
    vec3 curve = -0.0201945876 * c + 0.654010774 * s1 + 0.688664345 * s2 - 0.318436866 * s3 - 0.00407535565;
    return mix(c * 12.92, curve, step(0.0031308, c));
}

// Khronos PBR Neutral: colours below 0.8 stay nearly as they are, brighter ones approach 1.
vec3 pbrNeutral(vec3 color)
{
    const float startCompression = 0.8 - 0.04;
    const float desaturation = 0.15;
    float x = min(color.r, min(color.g, color.b));
    float offset = x < 0.08 ? x - 6.25 * x * x : 0.04;
    color -= offset;
    float peak = max(color.r, max(color.g, color.b));
    if (peak < startCompression)
        return color;
    const float d = 1.0 - startCompression;
    float newPeak = 1.0 - d * d / (peak + d - startCompression);
    color *= newPeak / peak;
    float g = 1.0 - 1.0 / (desaturation * (peak - newPeak) + 1.0);
    return mix(color, vec3(newPeak), g);
}

// The environment's irradiance over pi on a surface of normal n: its diffuse radiance for albedo 1.
vec3 diffuseLight(vec3 n)
{
    // each coefficient times a number: the basis function at n with its band's convolution
    // factor (pi, 2.094395, 0.785398), over pi
    vec3 band1 = 2.094395 * 0.488603 / pi * n;
    float times = 0.785398 * 1.092548 / pi;
    vec3 e = 3.141593 * 0.282095 / pi * u_SH[0] + band1.y * u_SH[1] + band1.z * u_SH[2] + band1.x * u_SH[3]
           + (times * n.x * n.y) * u_SH[4] + (times * n.y * n.z) * u_SH[5] + (times * n.x * n.z) * u_SH[7]
           + (0.785398 * 0.315392 / pi * (3.0 * n.z * n.z - 1.0)) * u_SH[6]
           + (0.785398 * 0.546274 / pi * (n.x * n.x - n.y * n.y)) * u_SH[8];
    return max(e, vec3(0.0));
}

#ifdef LOOK_NORMAL_MAP
// The normal turned by the normal map, in a frame of the surface made from the derivatives of
// the position and texture coordinates; the normal itself where they make none.
vec3 mappedNormal(vec3 n)
{
    vec3 dp1 = dFdx(worldPosition), dp2 = dFdy(worldPosition);
    vec2 duv1 = dFdx(surfaceCoord), duv2 = dFdy(surfaceCoord);
    vec3 dp2perp = cross(dp2, n), dp1perp = cross(n, dp1);
    vec3 t = dp2perp * duv1.x + dp1perp * duv2.x;
    vec3 b = dp2perp * duv1.y + dp1perp * duv2.y;
    float size = max(dot(t, t), dot(b, b));
    if (!(size > 1e-20))
        return n;
    vec3 m = texture2D(u_normalMap, surfaceCoord).xyz * 2.0 - 1.0;
    float scale = inversesqrt(size);
    vec3 turned = mat3(t * scale, b * scale, n) * m;
    return dot(turned, turned) > 0.0 ? normalize(turned) : n;
}
#endif

void main()
{
    // both sides of every face are drawn, lit on the side seen, whatever the winding
    vec3 v = normalize(u_camera - worldPosition);
    vec3 n = normalize(worldNormal);
    if (dot(n, v) < 0.0)
        n = -n;
    // a model without materials: light grey, roughness 0.5; the maps are read only for one with
    vec3 base = vertexColour * 0.8;
    float metallic = 0.0, roughness = 0.5, occlusion = 1.0;
    vec3 reflectance = vec3(0.04), emitted = vec3(0.0);
    // a map no material has is not read: the white one (the flat normal) each would get
#ifdef LOOK_MATERIALS
    if (u_opacity > 0.0) {
#ifdef LOOK_DIFFUSE_MAP
        vec4 baseMap = texture2D(u_diffuseMap, surfaceCoord);
        if (u_opacity * baseMap.a < u_alphaCutoff)
            discard;
        base = vertexColour * u_diffuseColor * linearOfSrgb(baseMap.rgb);
#else
        if (u_opacity < u_alphaCutoff)
            discard;
        base = vertexColour * u_diffuseColor;
#endif
#ifdef LOOK_METALLIC_ROUGHNESS_MAP
        vec4 metalRough = texture2D(u_metallicRoughnessMap, surfaceCoord);
        metallic = clamp(u_metallic * metalRough.b, 0.0, 1.0);
        roughness = clamp(u_roughness * metalRough.g, 0.0, 1.0);
#else
        metallic = clamp(u_metallic, 0.0, 1.0);
        roughness = clamp(u_roughness, 0.0, 1.0);
#endif
        reflectance = u_reflectance;
#ifdef LOOK_OCCLUSION_MAP
        occlusion = texture2D(u_occlusionMap, surfaceCoord).r;
#endif
#ifdef LOOK_EMISSIVE_MAP
        emitted = u_emissiveColor * linearOfSrgb(texture2D(u_emissiveMap, surfaceCoord).rgb);
#else
        emitted = u_emissiveColor;
#endif
#ifdef LOOK_NORMAL_MAP
        n = mappedNormal(n);
#endif
    }
#endif
    float nDotV = clamp(dot(n, v), 1e-4, 1.0);
    vec3 f0 = mix(reflectance, base, metallic);
    vec3 diffuseColour = base * (1.0 - metallic);

    // the key light
    vec3 l = u_lightDirection;
    vec3 h = normalize(l + v);
    float nDotL = clamp(dot(n, l), 0.0, 1.0);
    float nDotH = clamp(dot(n, h), 0.0, 1.0);
    float vDotH = clamp(dot(v, h), 0.0, 1.0);
    float alphaDirect = max(roughness * roughness, 0.002);
    float a2 = alphaDirect * alphaDirect;
    float dd = nDotH * nDotH * (a2 - 1.0) + 1.0;
    float distribution = a2 / (pi * dd * dd);
    float visibility = 0.5 / (nDotL * sqrt(nDotV * nDotV * (1.0 - a2) + a2) + nDotV * sqrt(nDotL * nDotL * (1.0 - a2) + a2) + 1e-7);
    float grazing = 1.0 - vDotH, grazing2 = grazing * grazing;
    vec3 fresnel = f0 + (1.0 - f0) * (grazing2 * grazing2 * grazing);
    vec3 direct = keyLight * nDotL * ((1.0 - fresnel) * diffuseColour / pi + fresnel * distribution * visibility);

    // the environment
    vec3 r = reflect(-v, n);
    vec3 prefiltered = textureCubeLod(u_prefilteredMap, r, roughness * (prefilteredLevels - 1.0)).rgb;
    // the table has one level, filtered alike both ways: no derivatives needed to choose one
    vec2 scaleBias = texture2DLod(u_brdfTable, vec2(nDotV, roughness), 0.0).rg;
    vec3 specularAlbedo = f0 * scaleBias.x + scaleBias.y;
    vec3 ambient = occlusion * ((1.0 - specularAlbedo) * diffuseColour * diffuseLight(n) + specularAlbedo * prefiltered);

    vec3 colour = (direct + ambient + emitted) * u_exposure;
    gl_FragColor = vec4(srgbOfLinear(pbrNeutral(max(colour, vec3(0.0)))), 1.0);
}
)";

void lookVariantOf(const MaterialsGpu& materials, LookVariant& out)
{
    out = LookVariant();
    out.materials = materials.active;
    for (size_t i = 0; i < materials.mapOf.size(); ++i)
        if (materials.mapOf[i] >= 0)
            out.maps[i % materialMapKinds] = true;
}

bool sameLookVariant(const LookVariant& a, const LookVariant& b)
{
    if (a.materials != b.materials)
        return false;
    for (int kind = 0; kind < materialMapKinds; ++kind)
        if (a.maps[kind] != b.maps[kind])
            return false;
    return true;
}

void lookFragmentText(const LookVariant& variant, std::string& out)
{
    // in MaterialMapKind's order
    static const char* const mapDefines[materialMapKinds] = {"LOOK_DIFFUSE_MAP", "LOOK_NORMAL_MAP",
                                                             "LOOK_METALLIC_ROUGHNESS_MAP", "LOOK_OCCLUSION_MAP",
                                                             "LOOK_EMISSIVE_MAP"};
    const char* text = lookFragmentShader;
    const char* afterVersion = std::strchr(text, '\n') + 1;
    out.assign(text, afterVersion);
    out += "#define LOOK_VARIANT\n";
    if (variant.materials) {
        out += "#define LOOK_MATERIALS\n";
        for (int kind = 0; kind < materialMapKinds; ++kind)
            if (variant.maps[kind])
                out += std::string("#define ") + mapDefines[kind] + "\n";
    }
    out += afterVersion;
}
