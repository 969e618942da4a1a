#pragma once
// What a fragment shader's text declares that decides the passes of a frame: the buffers it
// samples (u_bufferN, u_doubleBufferN), its BACKGROUND and POSTPROCESSING blocks, its #version
// line and the playgrounds' varyings it reads (v_position, v_normal, v_texcoord, v_color).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Buffers of each kind a frame draws at most: u_buffer0 to u_buffer7, u_doubleBuffer0 to 7.
constexpr int mostBuffers = 8;

enum PlaygroundVarying { vPosition, vNormal, vTexcoord, vColor, playgroundVaryingCount };

// The names of the varyings, in the order of PlaygroundVarying.
extern const char* const playgroundVaryingNames[playgroundVaryingCount];

// A varying as the fragment shader declares it: its interpolation qualifier ("flat", "smooth",
// "noperspective" or empty) and its type ("vec2"...); type empty when it is not declared.
struct DeclaredVarying {
    std::string qualifier;
    std::string type;
};

struct ShaderDeclarations {
    uint32_t buffers = 0;         // bit N: a sampler2D u_bufferN is declared, N < mostBuffers
    uint32_t doubleBuffers = 0;   // bit N: a sampler2D u_doubleBufferN is declared
    std::vector<std::string> buffersPastLimit;  // u_buffer8, u_doubleBuffer12...: declared, never drawn
    bool background = false;      // BACKGROUND is tested by an #if, #ifdef, #ifndef or #elif
    bool postprocessing = false;  // so is POSTPROCESSING
    uint32_t versionLine = 0;     // the line of #version, counting from 1; 0 without one
    int version = 110;            // its number; 110 without one
    std::string profile;          // "core", "compatibility", "es" or empty
    DeclaredVarying varyings[playgroundVaryingCount];  // as inputs: `varying` or `in`
    uint32_t varyingOutputs = 0;  // bit v: playground varying v declared `varying` or `out` (a vertex shader's)
};

// Reads the declarations of a fragment shader's whole text (after its #include lines are
// expanded), comments left out; declarations inside #if blocks count whichever branch they are
// in. A buffer is a global `uniform [precision] sampler2D NAME[, NAME]...;`; a varying a global
// `[qualifiers] varying|in|out [precision] TYPE NAME[, NAME]...;`. Never fails: text it cannot read
// declares nothing.
void scanShaderDeclarations(const char* text, size_t size, ShaderDeclarations& out);

// True when the shader reads at least one of the playgrounds' varyings.
bool readsPlaygroundVaryings(const ShaderDeclarations& declarations);
