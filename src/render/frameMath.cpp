#include "render/frameMath.h"

float frameAngle(uint32_t tickMs)
{
    return float(double(tickMs) / 1000.0);
}

void cameraViewProjection(Matrix4& viewProjection)
{
    Matrix4 view;
    lookAt(view, 50.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    Matrix4 projection;
    perspective(projection, 45.0f, 1.0f, 1.0f, 1024.0f);
    multiply(projection, viewProjection, view);
}

void worldRotation(Matrix4& world, uint32_t tickMs)
{
    rotationAxisAngle(world, frameAngle(tickMs), 1.0f, 1.0f, 1.0f);
}
