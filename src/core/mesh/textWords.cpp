#include "core/mesh/textWords.h"

#include "core/mesh/numberScan.h"

#include <cstring>

TextLine lineAt(const unsigned char* data, size_t size, size_t at)
{
    size_t end = at;
    while (end < size && data[end] != '\n' && data[end] != '\r')
        ++end;
    size_t next = end;
    if (next < size)
        next += data[next] == '\r' && next + 1 < size && data[next + 1] == '\n' ? 2 : 1;
    return TextLine{at, end, next};
}

bool nextWord(Words& words, const unsigned char*& word, size_t& length)
{
    while (words.p < words.end && isBlank(*words.p))
        ++words.p;
    if (words.p == words.end)
        return false;
    word = words.p;
    while (words.p < words.end && !isBlank(*words.p))
        ++words.p;
    length = size_t(words.p - word);
    return true;
}

bool wordIs(const unsigned char* word, size_t length, const char* text)
{
    return strlen(text) == length && memcmp(word, text, length) == 0;
}

std::string wordText(const unsigned char* word, size_t length)
{
    const size_t longest = 40;  // a word of garbage in a message stays short
    return std::string(reinterpret_cast<const char*>(word), length < longest ? length : longest);
}

bool wordFloat(const unsigned char* word, size_t length, float& value)
{
    char text[512];
    if (length >= sizeof(text))
        return false;
    memcpy(text, word, length);
    text[length] = '\0';
    return scanFloats(text, &value, 1) == 1;
}

void noticeIgnoredWord(ProblemList& problems, const unsigned char* word, size_t length, uint64_t line)
{
    const size_t mostWords = 8;
    std::string subject = wordText(word, length);
    size_t words = 0;
    for (const Problem& problem : problems.problems)
        words += problem.kind == ProblemKind::ignoredStatements && problem.file.empty();
    if (words >= mostWords && problemCount(problems, ProblemKind::ignoredStatements, subject) == 0)
        subject = "others";
    notice(findProblem(problems, ProblemKind::ignoredStatements, subject, std::string()).tally, line);
}
