#include "core/look/keyLight.h"

void keyLightDirection(const Matrix4& view, Vector3& out)
{
    const double inView[3] = {-0.48, 0.64, 0.6};
    // the rotation's rows are the view's axes in the world: its transpose turns them back
    double world[3];
    for (int i = 0; i < 3; ++i) {
        const Vector4& column = view.columns[i];
        world[i] = column.x * inView[0] + column.y * inView[1] + column.z * inView[2];
    }
    out = Vector3{float(world[0]), float(world[1]), float(world[2])};
}
