// Writes the viewer's torus.obj, or a larger torus for the benchmarks and tests:
//   make_torus [OUTPUT]                      the shipped file (default torus.obj); rebuild it with
//                                            scripts/make-torus.sh
//   make_torus OUTPUT --limit                256 x 256 shared records, exactly 65,536 unique vertices
//   make_torus OUTPUT --grid RINGS SIDES     any such torus
//   make_torus OUTPUT --quads RINGS SIDES    the same records, in quads
//   make_torus OUTPUT --scan RINGS SIDES     bare positions in triangles, as scans come: normals to compute
//   make_torus OUTPUT --per-corner RINGS SIDES  each triangle with its own v, vt and vn records
// An OUTPUT ending in .ply or .stl gets the same torus (but --per-corner) as a binary
// little-endian PLY file or a binary STL file; --ascii after the sizes writes them as text.

#include "torusObj.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const usage =
    "usage: make_torus [OUTPUT] [--limit | --grid|--quads|--scan|--per-corner RINGS SIDES [--ascii]]\n";

} // namespace

int main(int argc, char** argv)
{
    // an output name that starts with a dash is an option mistyped, never a file to write
    if (argc > 1 && argv[1][0] == '-') {
        bool help = strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0;
        fputs(usage, help ? stdout : stderr);
        return help ? 0 : 2;
    }
    const char* path = argc > 1 ? argv[1] : "torus.obj";
    // 38 units across: fills the view from 50 units away (about 41 units are visible there)
    TorusShape shape = {48, 24, 13.0, 6.0, TorusLayout::perCorner};
    if (argc > 2 && strcmp(argv[2], "--limit") == 0)
        shape = TorusShape{256, 256, 13.0, 6.0, TorusLayout::shared};
    const struct {
        const char* option;
        TorusLayout layout;
    } grids[] = {{"--grid", TorusLayout::shared}, {"--quads", TorusLayout::sharedQuads}, {"--scan", TorusLayout::positionsOnly},
                {"--per-corner", TorusLayout::perCorner}};
    for (const auto& grid : grids)
        if (argc > 4 && strcmp(argv[2], grid.option) == 0)
            shape = TorusShape{atoi(argv[3]), atoi(argv[4]), 13.0, 6.0, grid.layout};
    if (shape.rings < 3 || shape.sides < 3) {
        fprintf(stderr, "make_torus: at least 3 rings and 3 sides\n");
        return 2;
    }
    std::string name = path;
    std::string extension = name.size() > 4 ? name.substr(name.size() - 4) : "";
    bool ply = extension == ".ply", stl = extension == ".stl";
    bool ascii = strcmp(argv[argc - 1], "--ascii") == 0;
    if ((ply || stl) && shape.layout == TorusLayout::perCorner) {
        fprintf(stderr, "make_torus: PLY and STL files hold shared vertices: --grid, --quads or --scan\n");
        return 2;
    }
    PlyLayout layout;
    layout.encoding = ascii ? PlyEncoding::ascii : PlyEncoding::binaryLittle;
    std::string text = ply ? plyText(torusModel(shape), layout) : stl ? stlText(torusModel(shape), !ascii) : torusObj(shape);
    FILE* file = fopen(path, "wb");
    if (!file || fwrite(text.data(), 1, text.size(), file) != text.size() || fclose(file) != 0) {
        fprintf(stderr, "make_torus: cannot write [%s]\n", path);
        return 1;
    }
    printf("Wrote %s: %zu bytes, %d grid points\n", path, text.size(), shape.rings * shape.sides);
    return 0;
}
