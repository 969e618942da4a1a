#version 120
#include "a.glsl"
0:2(3): error: x
ERROR: 0:1: y
0(2) : warning C1: z
#include <b>
/* #include "c" */
