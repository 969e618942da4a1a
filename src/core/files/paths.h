#pragma once
// Finding a file named by another: an #include by a shader, an mtllib by a model, a map by a
// material library.

#include <string>

// True for a path that does not depend on the working directory: from the root, or with a drive.
bool isAbsolutePath(const std::string& path);

// The path with "." steps dropped and "dir/.." pairs folded (".." past the start kept), its
// separators made '/': one spelling of a file, for telling files apart.
std::string foldedPath(const std::string& path);

// The path of `name` as named from the file at `from`: `name` itself when absolute, else joined to
// from's folder; "." steps dropped and "dir/.." pairs folded (".." past the start kept), separators
// made '/'.
std::string pathBeside(const std::string& from, const std::string& name);
