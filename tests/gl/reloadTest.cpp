#include "app/reload.h"
#include "app/scene.h"
#include "support/captureStdout.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

void writeFile(const std::string& path, const std::string& text)
{
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

// Live OpenGL objects: buffers, and programs and shaders (which share their names). The driver
// hands out ever higher names, so every name up to the highest in use is looked at.
int liveObjects(const Viewer& viewer)
{
    const MeshStore& meshStore = viewer.meshStore;
    const ShaderState& shaderState = viewer.shaderState;
    GLuint highest = std::max({meshStore.vertexBuffer, meshStore.indexBuffer, GLuint(shaderState.program),
                               GLuint(shaderState.vertexShader), GLuint(shaderState.fragmentShader)});
    int live = 0;
    for (GLuint name = 1; name <= highest + 100; ++name)
        live += glIsBuffer(name) + glIsProgram(name) + glIsShader(name);
    return live;
}

// What the viewer keeps across reloads: the files it watches, their room reserved, and whether a
// reading, an upload or a held model is left over.
std::vector<size_t> keptRecords(const Viewer& viewer)
{
    const Watch& watch = viewer.watch;
    return {watch.includes.capacity(),    watch.modelFiles.capacity(),        watch.textures.capacity(),
            viewer.modelFiles.capacity(), viewer.textures.capacity(),         size_t(watch.reading != nullptr),
            size_t(watch.upload.active),  size_t(watch.heldModel.held)};
}

// A model of 2,500 vertices (about 80 KB) and shaders of a few kilobytes: a reload that kept any
// of their copies would grow the heap by megabytes over a thousand reloads.
std::string gridObj()
{
    std::string text;
    for (int i = 0; i < 50; ++i)
        for (int j = 0; j < 50; ++j)
            text += "v " + std::to_string(i) + " " + std::to_string(j) + " 0\n";
    for (int i = 0; i + 1 < 50; ++i)
        for (int j = 0; j + 1 < 50; ++j) {
            int a = i * 50 + j + 1;
            text += "f " + std::to_string(a) + " " + std::to_string(a + 50) + " " + std::to_string(a + 51) + " " +
                    std::to_string(a + 1) + "\n";
        }
    return text;
}

const std::string padding = "// " + std::string(4000, '-') + "\n";

} // namespace

TEST(Reload, ThousandReloadsLeaveNoObjectOrMemoryBehind)
{
    char folder[] = "/tmp/spinview-reload-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string model = std::string(folder) + "/model.obj", vertex = std::string(folder) + "/shader.vert",
                      fragment = std::string(folder) + "/shader.frag";
    writeFile(model, gridObj());
    writeFile(vertex, "#version 120\n" + padding + "uniform vec4 VPMatrix[4];\nuniform vec4 WMatrix[4];\n"
                      "void main() { gl_Position = VPMatrix[0] * (WMatrix[0].x * gl_Vertex.x); }\n");
    writeFile(fragment, "#version 120\n" + padding + "void main() { gl_FragColor = vec4(1.0); }\n");

    ViewerOptions options;
    options.model = model.c_str();
    options.vertexShader = vertex.c_str();
    options.fragmentShader = fragment.c_str();
    Viewer viewer;
    startViewer(viewer, options);
    std::string printed = captureStdout([&] { EXPECT_TRUE(initScene(viewer)); });
    ASSERT_NE(viewer.shaderState.program, 0u) << printed;
    watchDataFiles(viewer);

    auto reload = [&](int times) {
        return captureStdout([&] {
            for (int i = 0; i < times; ++i) {
                reloadModel(viewer);
                viewer.watch.vertexShaderChanged = viewer.watch.fragmentShaderChanged = true;
                reloadProgram(viewer);
            }
        });
    };
    // the first reloads settle the driver's own caches
    reload(20);
    int objects = liveObjects(viewer);
    std::vector<size_t> kept = keptRecords(viewer);
    printed = reload(1000);
    EXPECT_EQ(liveObjects(viewer), objects);
    // what the viewer keeps is the same after a thousand more: a record kept by each reload would
    // show here, and memory lost shows in the sanitized build's leak check
    EXPECT_EQ(keptRecords(viewer), kept);
    EXPECT_NE(viewer.shaderState.program, 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    size_t lines = 0;
    for (size_t at = printed.find("Reloaded ["); at != std::string::npos; at = printed.find("Reloaded [", at + 1))
        ++lines;
    EXPECT_EQ(lines, 3000u);

    for (const std::string& path : {model, vertex, fragment})
        unlink(path.c_str());
    rmdir(folder);
}

namespace {

// A grid of n x n positions, its heights a ripple, in quads: 6 (n - 1)^2 indices.
std::string rippleObj(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            text += "v " + std::to_string(i) + " " + std::to_string(j) + " " +
                    std::to_string(3.0 * std::sin(i * 0.2) * std::cos(j * 0.15)) + "\n";
    for (int i = 0; i + 1 < n; ++i)
        for (int j = 0; j + 1 < n; ++j) {
            int a = i * n + j + 1;
            text += "f " + std::to_string(a) + " " + std::to_string(a + n) + " " + std::to_string(a + n + 1) + " " +
                    std::to_string(a + 1) + "\n";
        }
    return text;
}

// The frame of now as the window's back buffer holds it after drawing it.
std::vector<uint8_t> drawnPicture(Viewer& viewer)
{
    drawViewerFrame(viewer);
    std::vector<uint8_t> rgba(size_t(viewer.windowWidth) * size_t(viewer.windowHeight) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, viewer.windowWidth, viewer.windowHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

// The pixels of the RGBA picture that are not the viewer's clear colour.
size_t pixelsNotClear(const std::vector<uint8_t>& rgba)
{
    size_t count = 0;
    for (size_t at = 0; at + 3 < rgba.size(); at += 4)
        count += rgba[at] != 51 || rgba[at + 1] != 51 || rgba[at + 2] != 51;
    return count;
}

} // namespace

TEST(Reload, AModelLargerThanAnyShownIsDrawnUnseenInPartsFirstAndShowsAsOneShownAtOnce)
{
    char folder[] = "/tmp/spinview-warm-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string model = std::string(folder) + "/model.obj", vertex = std::string(folder) + "/shader.vert",
                      fragment = std::string(folder) + "/shader.frag";
    writeFile(model, rippleObj(20));
    writeFile(vertex, "#version 120\nuniform vec4 VPMatrix[4];\nuniform vec4 WMatrix[4];\nvarying vec3 n;\n"
                      "void main() {\n"
                      "  mat4 vp = mat4(VPMatrix[0], VPMatrix[1], VPMatrix[2], VPMatrix[3]);\n"
                      "  mat4 w = mat4(WMatrix[0], WMatrix[1], WMatrix[2], WMatrix[3]);\n"
                      "  gl_Position = vp * w * gl_Vertex;\n  n = gl_MultiTexCoord1.xyz;\n}\n");
    writeFile(fragment, "#version 120\nvarying vec3 n;\nvoid main() { gl_FragColor = vec4(abs(n), 1.0); }\n");

    ViewerOptions options;
    options.model = model.c_str();
    options.vertexShader = vertex.c_str();
    options.fragmentShader = fragment.c_str();
    options.fit = true;
    options.cut = false;
    options.spin = false;
    options.atMs = 700;
    options.windowWidth = options.windowHeight = 64;  // the test window's
    Viewer viewer;
    startViewer(viewer, options);
    std::string printed = captureStdout([&] { EXPECT_TRUE(initScene(viewer)); });
    ASSERT_NE(viewer.shaderState.program, 0u) << printed;
    glViewport(0, 0, 64, 64);
    const std::vector<uint8_t> small = drawnPicture(viewer);
    ASSERT_GT(pixelsNotClear(small), 500u) << "the model fills the picture";

    // 6 x 219^2 = 287,766 indices, past the 2^18 from which a model larger than any shown is
    // drawn unseen first, a part a frame; its pictures meanwhile are the small model's
    writeFile(model, rippleObj(220));
    watchDataFiles(viewer);  // as the version read: the watcher starts no reading of its own
    std::vector<uint32_t> partsBeforeShown;
    bool shown = false;
    printed = captureStdout([&] {
        shown = reloadModel(viewer);
        for (int call = 0; call < 20 && !shown; ++call) {
            shown = reloadChangedFiles(viewer);
            if (!shown) {
                partsBeforeShown.push_back(viewer.watch.warmUp.partsDrawn);
                EXPECT_EQ(drawnPicture(viewer), small) << "while part " << partsBeforeShown.back() << " was drawn";
            }
        }
    });
    EXPECT_TRUE(shown) << printed;
    EXPECT_EQ(partsBeforeShown, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(viewer.watch.warmUp.parts, 0u);
    EXPECT_EQ(viewer.mostIndicesShown, size_t(287766));
    const std::vector<uint8_t> warmed = drawnPicture(viewer);
    EXPECT_NE(warmed, small);

    // the same model again is no larger than one shown: it shows at once, as the warmed one showed
    printed = captureStdout([&] { EXPECT_TRUE(reloadModel(viewer)); });
    EXPECT_EQ(viewer.watch.warmUp.parts, 0u);
    EXPECT_EQ(drawnPicture(viewer), warmed);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    for (const std::string& path : {model, vertex, fragment})
        unlink(path.c_str());
    rmdir(folder);
}
