#pragma once
// Lines and words of a text in memory that need not end in a zero byte (a mapped file), for the
// readers of ASCII model formats (PLY, STL).

#include "core/mesh/problems.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A line of text from `begin` up to `end`, its line end (\n, \r\n or \r) excluded; the next line
// starts at `next`.
struct TextLine {
    size_t begin, end, next;
};

// The line that starts at `at`, which is below `size`.
TextLine lineAt(const unsigned char* data, size_t size, size_t at);

inline bool isBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The words of a line, one after another, split by blanks.
struct Words {
    const unsigned char* p;
    const unsigned char* end;
};

inline Words wordsOf(const unsigned char* data, const TextLine& line)
{
    return Words{data + line.begin, data + line.end};
}

// The next word, as `word` and `length`; false at the end of the line.
bool nextWord(Words& words, const unsigned char*& word, size_t& length);

// True when the word is `text`, exactly.
bool wordIs(const unsigned char* word, size_t length, const char* text);

// The word as text for a message: at most 40 bytes of it.
std::string wordText(const unsigned char* word, size_t length);

// The word as a float, as sscanf's "%f" reads it (inf, nan and numbers beyond a float included);
// false when it is no number, or longer than 511 bytes.
bool wordFloat(const unsigned char* word, size_t length, float& value);

// Counts an ignored statement `word` at `line`, as ignoredStatements of the model's own file;
// past 8 different words, the others are counted together as [others].
void noticeIgnoredWord(ProblemList& problems, const unsigned char* word, size_t length, uint64_t line);
