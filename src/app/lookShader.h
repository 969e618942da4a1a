#pragma once
// The fragment shader of the physically based look (--look pbr), compiled into the program; its
// vertex shader is the shipped one (builtinVertexShader), whose varyings it reads. Zero-terminated.

extern const char lookFragmentShader[];
