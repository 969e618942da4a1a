// Writes the viewer's torus.obj: make_torus [OUTPUT]   (default: torus.obj)
// Rebuild the shipped file with scripts/make-torus.sh.
// make_torus OUTPUT --limit writes the benchmark's torus instead: 256 x 256 shared records,
// exactly 65,536 unique vertices.

#include "torusObj.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "torus.obj";
    // 38 units across: fills the view from 50 units away (about 41 units are visible there)
    TorusShape shape = {48, 24, 13.0, 6.0, true};
    if (argc > 2 && std::string(argv[2]) == "--limit")
        shape = TorusShape{256, 256, 13.0, 6.0, false};
    std::string text = torusObj(shape);
    FILE* file = fopen(path, "wb");
    if (!file || fwrite(text.data(), 1, text.size(), file) != text.size() || fclose(file) != 0) {
        fprintf(stderr, "make_torus: cannot write [%s]\n", path);
        return 1;
    }
    printf("Wrote %s: %zu bytes, %d triangles\n", path, text.size(), shape.rings * shape.sides * 2);
    return 0;
}
