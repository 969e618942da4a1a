#include "core/frame/passPlan.h"
#include "core/shader/includes.h"
#include "core/shader/passShaders.h"
#include "core/shader/shaderDeclarations.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

ShaderDeclarations scan(const std::string& text)
{
    ShaderDeclarations out;
    scanShaderDeclarations(text.data(), text.size(), out);
    return out;
}

// The passes of a plan as text: "B0 D1 G M P" (buffer, double buffer, background, skybox S, main
// M on the model or Q on a quad, post-processing P).
std::string planText(const FramePlan& plan)
{
    std::string out;
    for (const PassSpec& pass : plan.passes) {
        out += out.empty() ? "" : " ";
        switch (pass.kind) {
        case PassKind::buffer: out += "B" + std::to_string(pass.index); break;
        case PassKind::doubleBuffer: out += "D" + std::to_string(pass.index); break;
        case PassKind::background: out += "G"; break;
        case PassKind::skybox: out += "S"; break;
        case PassKind::main: out += pass.drawsModel ? "M" : "Q"; break;
        case PassKind::postprocessing: out += "P"; break;
        }
    }
    return out;
}

} // namespace

TEST(ShaderDeclarations, FindsBuffersBlocksVersionAndVaryings)
{
    const struct {
        const char* what;
        const char* text;
        uint32_t buffers, doubleBuffers;
        bool background, postprocessing;
        uint32_t versionLine;
        int version;
        const char* texcoordType;
    } cases[] = {
        {"none", "void main() { gl_FragColor = vec4(1.0); }\n", 0, 0, false, false, 0, 110, ""},
        {"the playgrounds' buffer example",
         "#ifdef GL_ES\nprecision mediump float;\n#endif\nuniform sampler2D   u_buffer0;\nuniform sampler2D u_buffer1;\n"
         "varying vec2 v_texcoord;\nvoid main() {\n#if defined(BUFFER_0)\n#elif defined( BUFFER_1 )\n#endif\n}\n",
         0x3, 0, false, false, 0, 110, "vec2"},
        {"a list, precision, gaps, double buffers",
         "#version 120\nuniform lowp sampler2D u_buffer0, u_buffer3;\nuniform sampler2D u_doubleBuffer2;\n", 0x9, 0x4,
         false, false, 1, 120, ""},
        // comments
        {"commented out", "// uniform sampler2D u_buffer0;\n/* uniform sampler2D u_buffer1;\n#ifdef BACKGROUND\n*/\n", 0,
         0, false, false, 0, 110, ""},
        {"blocks in conditionals only",
         "#ifdef BACKGROUND\n#endif\n#if defined(POSTPROCESSING) && 1\n#endif\n#define BACKGROUND_NOT\nint x; // BACKGROUND\n",
         0, 0, true, true, 0, 110, ""},
        {"version after comments, core profile, inputs",
         "/* a\n   b */\n#version 330 core\nsmooth in vec4 v_texcoord;\nout vec4 color;\n", 0, 0, false, false, 3, 330,
         "vec4"},
        // not declarations of ours
        {"parameters and locals",
         "vec2 f(in vec2 v_texcoord) { vec2 v_texcoord2; return v_texcoord; }\nvoid main() { sampler2D u_buffer0; }\n", 0,
         0, false, false, 0, 110, ""},
        {"other types and names", "uniform vec2 u_buffer0;\nuniform sampler2D u_buffer01, u_bufferX, u_buffers;\n", 0, 0,
         false, false, 0, 110, ""},
        {"past the limit", "uniform sampler2D u_buffer8;\nuniform sampler2D u_doubleBuffer7;\n", 0, 0x80, false, false, 0,
         110, ""},
    };
    for (const auto& c : cases) {
        ShaderDeclarations d = scan(c.text);
        EXPECT_EQ(d.buffers, c.buffers) << c.what;
        EXPECT_EQ(d.doubleBuffers, c.doubleBuffers) << c.what;
        EXPECT_EQ(d.background, c.background) << c.what;
        EXPECT_EQ(d.postprocessing, c.postprocessing) << c.what;
        EXPECT_EQ(d.versionLine, c.versionLine) << c.what;
        EXPECT_EQ(d.version, c.version) << c.what;
        EXPECT_EQ(d.varyings[vTexcoord].type, c.texcoordType) << c.what;
    }
    ShaderDeclarations past = scan("uniform sampler2D u_buffer8;\nuniform sampler2D u_doubleBuffer12;\n");
    EXPECT_EQ(past.buffersPastLimit, (std::vector<std::string>{"u_buffer8", "u_doubleBuffer12"}));
    EXPECT_EQ(scan("flat varying vec3 v_color, v_normal;\n").varyings[vNormal].qualifier, "flat");
    EXPECT_EQ(scan("#version 150 compatibility\n").profile, "compatibility");
    // what a vertex shader writes
    EXPECT_EQ(scan("varying vec2 v_texcoord;\nout vec3 v_normal;\nin vec4 v_color;\n").varyingOutputs,
              (1u << vTexcoord) | (1u << vNormal));
    EXPECT_EQ(scan("varying vec3 worldNormal;\n").varyingOutputs, 0u);
}

TEST(ShaderDeclarations, ReadsAnyBytesWithoutFailing)
{
    // unfinished comments, directives and statements at the end of the text
    for (const char* text : {"/*", "#", "#version", "uniform", "uniform sampler2D", "uniform sampler2D u_buffer0",
                             "{{{", "}}}", "((", "#if\\\n BACKGROUND", "\\"}) {
        ShaderDeclarations d = scan(text);
        EXPECT_EQ(d.buffers, 0u) << text;
    }
    // a declaration of the last line without its line end counts
    EXPECT_EQ(scan("uniform sampler2D u_buffer0;").buffers, 1u);
    // a continued conditional line
    EXPECT_TRUE(scan("#if defined(A) || \\\n    defined(POSTPROCESSING)\n#endif\n").postprocessing);
}

TEST(PassPlan, OrdersThePassesAsTheyAreDrawn)
{
    const struct {
        const char* text;
        bool canvas, skybox;
        const char* plan;
    } cases[] = {
        {"void main() {}", false, false, "M"},
        {"void main() {}", true, false, "Q"},
        {"void main() {}", false, true, "S M"},
        {"uniform sampler2D u_doubleBuffer1, u_buffer2, u_buffer0;\n#ifdef POSTPROCESSING\n#endif\n#ifdef BACKGROUND\n#endif",
         false, true, "B0 B2 D1 G M P"},
        {"uniform sampler2D u_buffer0;\n#ifdef POSTPROCESSING\n#endif\n", true, false, "B0 Q P"},
    };
    for (const auto& c : cases) {
        FramePlan plan;
        planFrame(scan(c.text), PlanOptions{c.canvas, c.skybox}, plan);
        EXPECT_EQ(planText(plan), c.plan) << c.text;
        EXPECT_EQ(plan.passes[plan.mainPass].kind, PassKind::main);
        EXPECT_EQ(plan.sceneTarget, plan.passes.back().kind == PassKind::postprocessing);
        EXPECT_EQ(isSingleModelPass(plan), std::string(c.plan) == "M");
    }
    EXPECT_EQ(passDefine(PassSpec{PassKind::doubleBuffer, 3, false}), "DOUBLE_BUFFER_3");
    EXPECT_EQ(passName(PassSpec{PassKind::skybox, 0, false}), "SKYBOX");
    EXPECT_EQ(passDefine(PassSpec{PassKind::main, 0, true}), "");
}

TEST(CopyWithLineInserted, EveryOtherLineKeepsItsFileAndLine)
{
    // a source of three runs: file 0's lines 1-2, file 1's lines 1-3, file 0's lines 3-4
    const char* text = "#version 120\nA\nB\nC\nD\nE\nF";
    ShaderSource source;
    source.text = FileBytes{strdup(text), strlen(text)};
    source.files = {SourceFile{"main.frag", FileStamp()}, SourceFile{"lib.glsl", FileStamp()}};
    source.runs = {LineRun{1, 0, 1}, LineRun{3, 1, 1}, LineRun{6, 0, 3}};
    for (uint32_t after : {0u, 1u, 2u, 5u, 7u}) {
        ShaderSource copy;
        ASSERT_TRUE(copyWithLineInserted(source, after, "#define BUFFER_0", copy));
        // the reference: line n of the copy is line n of the source before the insertion, n - 1 after
        std::string expected = std::string(text) + "\n";
        size_t at = 0;
        for (uint32_t l = 0; l < after; ++l)
            at = expected.find('\n', at) + 1;
        expected.insert(at, "#define BUFFER_0\n");
        if (after == 7)
            expected = std::string(text) + "\n#define BUFFER_0\n";
        EXPECT_EQ(std::string(copy.text.data, copy.text.size), after == 7 ? expected : expected.substr(0, expected.size() - 1))
            << after;
        for (uint32_t line = 1; line <= 8; ++line) {
            if (line == after + 1)
                continue;
            uint32_t fileBefore, lineBefore, fileAfter, lineAfter;
            ASSERT_TRUE(sourceLineOf(source, line > after ? line - 1 : line, fileBefore, lineBefore));
            ASSERT_TRUE(sourceLineOf(copy, line, fileAfter, lineAfter));
            EXPECT_EQ(fileAfter, fileBefore) << after << " " << line;
            EXPECT_EQ(lineAfter, lineBefore) << after << " " << line;
        }
        freeShaderSource(copy);
    }
    freeShaderSource(source);
}

TEST(PassShaders, VertexShadersWriteTheDeclaredVaryingsInTheFragmentShadersVersion)
{
    std::string quad, model;
    quadVertexShader(scan("varying vec2 v_texcoord;\nvarying float v_color;\n"), quad);
    EXPECT_EQ(quad.find("#version"), std::string::npos);
    EXPECT_NE(quad.find("varying vec2 v_texcoord;"), std::string::npos) << quad;
    EXPECT_NE(quad.find("v_color = (vec4(1.0)).x;"), std::string::npos) << quad;
    EXPECT_EQ(quad.find("v_normal"), std::string::npos) << quad;
    modelVertexShader(scan("#version 330\nflat in vec3 v_normal;\nin mat2 v_position;\n"), model);
    EXPECT_EQ(model.compare(0, 27, "#version 330 compatibility\n"), 0) << model;
    EXPECT_NE(model.find("flat out vec3 v_normal;"), std::string::npos) << model;
    EXPECT_NE(model.find("gl_ClipVertex = world;"), std::string::npos) << model;
    EXPECT_EQ(model.find("v_position"), std::string::npos) << model;  // a type it cannot give
}
