#pragma once
// Reporting the info log of a shader or program object.

#include <GL/glew.h>

#include <string>

// Queries the object's info-log length (checked), and when it holds more than the terminator,
// fetches the log into a buffer of length + 1 bytes (checked) and logs it with `format`, whose
// one %s takes the log. With `text`, the log is also copied there ("" when there is none).
void logInfoLog(GLhandleARB object, const char* format, std::string* text = nullptr);
