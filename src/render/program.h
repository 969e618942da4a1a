#pragma once
// The shader program on the GPU: compiling both stages, linking, finding the uniforms,
// validating once, replacing and deleting.

#include "core/files/fileBytes.h"
#include "core/shader/includes.h"
#include "render/programInputs.h"

#include <GL/glew.h>

#include <string>
#include <vector>

struct ShaderState {
    GLhandleARB vertexShader;
    GLhandleARB fragmentShader;
    GLhandleARB program;  // 0 when linking failed
    GLint vpMatrixLocation;
    GLint wMatrixLocation;
    bool programValidated;  // set by the first frame that draws with it
    ProgramInputs inputs;   // what the program takes by name; nothing for a program that did not link
    bool materialsGiven;    // a model's materials were uploaded to it
};

// Reads the file whole, with its #include files (expandIncludes), and compiles it into a shader
// object of shaderType (GL_VERTEX_SHADER_ARB or GL_FRAGMENT_SHADER_ARB); a zero byte ends the
// source. Returns the handle, or 0 when compilation failed: the headline and the driver's log are
// logged, then each of its lines that names a line as FILE:LINE:COLUMN (compileLog.h), and the
// object deleted. An #include that cannot be followed fails the same way before any object is
// made: the headline, then its FILE:LINE:COLUMN line. A file that cannot be read sets `status`
// (cannotOpen or outOfMemory), logs nothing, makes no object and returns 0. `files`, when given,
// gets the files read, or tried, with their stamps: the file itself first. Needs a current context
// with GLEW initialised.
GLhandleARB loadShader(const char* path, GLenum shaderType, FileStatus& status,
                       std::vector<SourceFile>* files = nullptr);

// Compiles the zero-terminated `text`, which includes nothing, into a shader object of shaderType
// as loadShader does with a file's text, its lines named after `name`: the handle, or 0 with the
// headline, the driver's log and its lines logged.
GLhandleARB compileShader(const char* text, const char* name, GLenum shaderType, const std::string& pass = "");

// Compiles the expanded source as loadShader compiles a file's: the handle, or 0 with the headline,
// the driver's log and its FILE:LINE:COLUMN lines logged (a source with #include problems gets
// the headline and their lines, and no object). A named pass ("BUFFER_0") is named in the
// headline ("There was error during compilation of [BUFFER_0] !") and in each line's message.
GLhandleARB compileShaderSource(const ShaderSource& source, GLenum shaderType, const std::string& pass = "");

// Creates a program of the two shaders (a failed one is 0, and attaching it is an error the
// checks report), links it, and looks up the uniforms "VPMatrix" and "WMatrix". A program that
// links is also looked at for the inputs it takes by name (programInputs.h; textureNames are the
// samplers', index = texture unit): when it declares a_ attributes, they are bound and it is
// linked again; one line names the inputs it uses, when any. A failed link logs the headline and
// the driver's log and leaves `state.program` 0, the program deleted.
// A named pass is named in the link headline and in the line of inputs ("The program of
// [BUFFER_0] uses ..."); a wrong type already in `told` is not reported again, and is added to it.
// Without `tellInputs` (the viewer's own programs) the line of inputs is left out.
void linkProgram(GLhandleARB vertexShader, GLhandleARB fragmentShader, ShaderState& state,
                 const std::vector<const char*>& textureNames = {}, const std::string& pass = "",
                 std::vector<std::string>* told = nullptr, bool tellInputs = true);

// On the first call for a program only (a failed validation is not retried): validates it and
// logs the outcome with the driver's log; for a named pass, only a failure, with its name.
// Needs the program in use and the arrays bound.
void validateProgramOnce(ShaderState& state, const std::string& pass = "");

// Deletes the program and its shaders, and empties the state.
void deleteProgram(ShaderState& state);

// Deletes the shaders of a program that did not link, or that was never made.
void deleteShaders(ShaderState& state);

// When `fresh` linked, deletes the program and shaders of `current` and makes `fresh` current,
// to be validated on its next frame, and returns true; otherwise deletes fresh's shaders and
// leaves `current` drawing.
bool replaceProgram(ShaderState& current, ShaderState& fresh);
