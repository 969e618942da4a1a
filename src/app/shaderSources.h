#pragma once
// Where each shader's text comes from: its file, or the built-in copy of the shipped one.

#include "app/commandLine.h"
#include "core/files/fileBytes.h"
#include "core/shader/includes.h"

#include <GL/glew.h>

#include <vector>

// For a model named on the command line, each shader that is neither named by an option nor a
// file in the working directory (under its default name) is taken from the built-in text:
// options.vertexSource or fragmentSource is set. Without a named model nothing changes, and the
// files are read as named, present or not.
void useBuiltinShadersWhereMissing(ViewerOptions& options);

// Compiles a stage from `builtin` when it is not null (status ok, no file read), else from the
// file at path with the files it includes, as loadShader does (`files` gets those read).
GLhandleARB loadShaderStage(const char* path, const char* builtin, GLenum shaderType, FileStatus& status,
                            std::vector<SourceFile>& files);
