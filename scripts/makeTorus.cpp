// Writes the viewer's torus.obj: make_torus [OUTPUT]   (default: torus.obj)
// Rebuild the shipped file with scripts/make-torus.sh.
// make_torus OUTPUT --limit writes the benchmark's torus instead: 256 x 256 shared records,
// exactly 65,536 unique vertices; make_torus OUTPUT --grid RINGS SIDES any such torus.

#include "torusObj.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "torus.obj";
    // 38 units across: fills the view from 50 units away (about 41 units are visible there)
    TorusShape shape = {48, 24, 13.0, 6.0, true};
    if (argc > 2 && std::string(argv[2]) == "--limit")
        shape = TorusShape{256, 256, 13.0, 6.0, false};
    if (argc > 4 && std::string(argv[2]) == "--grid")
        shape = TorusShape{atoi(argv[3]), atoi(argv[4]), 13.0, 6.0, false};
    if (shape.rings < 3 || shape.sides < 3) {
        fprintf(stderr, "make_torus: at least 3 rings and 3 sides\n");
        return 2;
    }
    std::string text = torusObj(shape);
    FILE* file = fopen(path, "wb");
    if (!file || fwrite(text.data(), 1, text.size(), file) != text.size() || fclose(file) != 0) {
        fprintf(stderr, "make_torus: cannot write [%s]\n", path);
        return 1;
    }
    printf("Wrote %s: %zu bytes, %d triangles\n", path, text.size(), shape.rings * shape.sides * 2);
    return 0;
}
