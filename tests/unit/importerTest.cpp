// The general importer's module, loaded only when a file needs it: a program of its own, which does
// not link libassimp (the other unit tests do, as their reference).
#include "core/mesh/importer.h"
#include "core/mesh/importerModule.h"
#include "core/mesh/modelFile.h"
#include "support/meshCheck.h"
#include "support/tempFile.h"

#include <gtest/gtest.h>

#include <link.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// True when a library whose file name holds `part` is loaded in this process.
bool isLoaded(const char* part)
{
    struct Search {
        const char* part;
        bool found;
    } search = {part, false};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            Search& s = *static_cast<Search*>(data);
            if (info->dlpi_name && strstr(info->dlpi_name, s.part))
                s.found = true;
            return 0;
        },
        &search);
    return search.found;
}

// A fresh temporary file of that extension holding `text`.
std::string writeModel(const std::string& text, const char* extension)
{
    std::string path = freshTempPath() + extension;
    FILE* file = fopen(path.c_str(), "wb");
    EXPECT_TRUE(file && fwrite(text.data(), 1, text.size(), file) == text.size());
    if (file)
        fclose(file);
    return path;
}

// The words of a list of extensions, each from its last dot, as the viewer asks about them.
std::set<std::string> lastDots(const char* list)
{
    std::set<std::string> words;
    std::istringstream in(list);
    for (std::string word; in >> word;)
        words.insert(word.substr(word.rfind('.')));
    return words;
}

} // namespace

TEST(Importer, ReadingTheOwnFormatsLoadsNothingAndAnImportedFileLoadsTheModule)
{
    if (isLoaded(importerModuleFile))
        GTEST_SKIP() << "loaded by an earlier test of this process";
    ASSERT_FALSE(isLoaded("libassimp"));
    std::string obj = writeModel("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", ".obj");
    Mesh mesh;
    ProblemList problems;
    ASSERT_EQ(readModelFile(obj.c_str(), mesh, problems), FileStatus::ok);
    EXPECT_EQ(mesh.indices.size(), 3u);
    // asked about any extension, the importer answers from its own list
    for (const char* extension : {".obj", ".gltf", ".glb", ".ply", ".stl", ".fbx", ".off", ".xyz", ""})
        importerTakesExtension(extension);
    EXPECT_FALSE(isLoaded(importerModuleFile));
    EXPECT_FALSE(isLoaded("libassimp"));

    // a quad in an OFF file, which only the importer reads
    std::string off = writeModel("OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n", ".off");
    ASSERT_EQ(readModelFile(off.c_str(), mesh, problems), FileStatus::ok);
    EXPECT_EQ(mesh.indices.size(), 6u);
    EXPECT_EQ(toldProblems(problems, "model"), "");
    expectSaneMesh(mesh, "off");
    EXPECT_TRUE(isLoaded(importerModuleFile));
    EXPECT_TRUE(isLoaded("libassimp"));
    EXPECT_EQ(importerName().compare(0, 7, "Assimp "), 0) << importerName();
    removeFile(obj);
    removeFile(off);
}

TEST(Importer, TakesTheExtensionsTheModuleReads)
{
    std::string error;
    const ImporterModule* module = importerModule(error);
    ASSERT_TRUE(module) << error;
    std::set<std::string> read = lastDots(module->extensions());
    EXPECT_EQ(lastDots(importerExtensionList()), read);
    for (const std::string& extension : read)
        EXPECT_TRUE(importerTakesExtension(extension.c_str())) << extension;
    for (const char* extension : {".obj", ".gltf", ".glb", ".ply", ".stl", ".3d .3ds", "3ds", ".", ""})
        EXPECT_FALSE(importerTakesExtension(extension)) << extension;
}

TEST(Importer, IsLookedForBesideTheProgramThenInstalledThenInTheBuild)
{
    std::vector<std::string> places = importerModulePlaces();
    ASSERT_EQ(places.size(), 3u);
    char program[4096];
    ssize_t length = readlink("/proc/self/exe", program, sizeof(program) - 1);
    ASSERT_GT(length, 0);
    std::string folder(program, size_t(length));
    folder.erase(folder.rfind('/'));
    EXPECT_EQ(places[0], folder + "/spinview-importer.so");
    EXPECT_EQ(places[1], folder + "/../lib/spinview/spinview-importer.so");
    EXPECT_EQ(places[2], SPINVIEW_IMPORTER_BUILT);
}

TEST(Importer, ModulesThatCannotServeAreRefusedWithTheReasonAndTheFileToldUnread)
{
    std::string text = writeModel("not a library\n", ".so");
    struct Case {
        std::string path;
        const char* reason;  // a part of the error
    } cases[] = {
        {SPINVIEW_IMPORTER_BUILT, ""},
        {"/nonexistent/spinview-importer.so", "No such file"},
        {text, text.c_str()},
        {SPINVIEW_TEST_WITHOUT_ENTRY, "undefined symbol: importerModuleEntry"},
        {SPINVIEW_TEST_MISSING_FUNCTION, "undefined symbol: functionNoLibraryHas"},
        {SPINVIEW_TEST_OTHER_BUILD, "is of another build: version 2,"},
    };
    for (const Case& c : cases) {
        ImporterModule module = {};
        std::string error;
        EXPECT_EQ(loadImporterModule(c.path.c_str(), module, error), c.reason[0] == '\0') << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
        EXPECT_EQ(module.readFile != nullptr, c.reason[0] == '\0') << c.path;
    }
    removeFile(text);

    std::string car = writeModel("Kaydara FBX Binary", ".fbx");
    Mesh mesh;
    mesh.indices.assign(3, 0);
    ProblemList problems;
    EXPECT_EQ(readThroughModule(nullptr, "why", car.c_str(), mesh, problems, nullptr), FileStatus::ok);
    EXPECT_TRUE(mesh.indices.empty());
    EXPECT_EQ(toldProblems(problems, "car.fbx"), "Cannot read [car.fbx]: the general importer cannot be loaded: why\n");
    removeFile(car);
    EXPECT_EQ(readImportedFile(car.c_str(), mesh, problems, nullptr), FileStatus::cannotOpen);
}
