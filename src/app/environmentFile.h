#pragma once
// The environment of --cubemap: its equirectangular image read, turned into a cube map and its
// spherical-harmonic coefficients, and read again when it changes.

#include "app/viewer.h"

// Reads --cubemap's image, when one is named, and makes it the environment; one that cannot be
// read is told ("Cube map u_cubeMap reads black: cannot open file [sky.hdr]"), and u_cubeMap then
// reads black and u_SH zeros. With the physically based look, the environment is also
// prefiltered, and without an image, or with one that cannot be read (told once: "Cube map
// u_cubeMap is the look's built-in studio: cannot open file [sky.hdr]"), it is the built-in studio.
void loadEnvironment(Viewer& viewer);

// Reads the image again; when it reads, it replaces the environment and "Reloaded [file]" is
// printed (with the look, prefiltered again); otherwise the problem is printed and the last
// environment stays. True when replaced.
bool reloadEnvironment(Viewer& viewer);
