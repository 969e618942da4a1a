#include "core/shader/shaderDeclarations.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

const char* const playgroundVaryingNames[playgroundVaryingCount] = {"v_position", "v_normal", "v_texcoord",
                                                                    "v_color"};

namespace {

struct Token {
    std::string text;
};

bool isIdentifierStart(char c)
{
    return isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool isIdentifierChar(char c)
{
    return isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The text with its comments replaced by spaces, its line ends kept, so that lines keep their numbers.
std::string withoutComments(const char* text, size_t size)
{
    std::string out(text, size);
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == '/' && out[i + 1] == '/') {
            while (i < out.size() && out[i] != '\n')
                out[i++] = ' ';
        } else if (out[i] == '/' && out[i + 1] == '*') {
            out[i] = out[i + 1] = ' ';
            for (i += 2; i < out.size() && !(out[i] == '*' && i + 1 < out.size() && out[i + 1] == '/'); ++i)
                if (out[i] != '\n')
                    out[i] = ' ';
            if (i < out.size())
                out[i] = ' ';
            if (i + 1 < out.size())
                out[i + 1] = ' ';
        }
    }
    return out;
}

// Appends the identifiers, numbers and single punctuation marks of [begin, end) to `tokens`.
void tokenize(const char* begin, const char* end, std::vector<Token>& tokens)
{
    for (const char* c = begin; c < end;) {
        if (isspace(static_cast<unsigned char>(*c))) {
            ++c;
        } else if (isIdentifierChar(*c)) {
            const char* start = c;
            while (c < end && (isIdentifierChar(*c) || *c == '.'))
                ++c;
            tokens.push_back(Token{std::string(start, c)});
        } else {
            tokens.push_back(Token{std::string(1, *c)});
            ++c;
        }
    }
}

// The number N of NAME == prefix + N, written without leading zeros; -1 for any other name.
long suffixNumber(const std::string& name, const char* prefix)
{
    size_t length = strlen(prefix);
    if (name.size() <= length || name.compare(0, length, prefix) != 0)
        return -1;
    const char* digits = name.c_str() + length;
    if ((digits[0] == '0' && digits[1] != '\0') || strlen(digits) > 6)
        return -1;
    for (const char* d = digits; *d; ++d)
        if (!isdigit(static_cast<unsigned char>(*d)))
            return -1;
    return strtol(digits, nullptr, 10);
}

void noteSampler(const std::string& name, ShaderDeclarations& out)
{
    long buffer = suffixNumber(name, "u_buffer");
    long doubleBuffer = suffixNumber(name, "u_doubleBuffer");
    long number = buffer >= 0 ? buffer : doubleBuffer;
    if (number < 0)
        return;
    if (number >= mostBuffers) {
        out.buffersPastLimit.push_back(name);
        return;
    }
    (buffer >= 0 ? out.buffers : out.doubleBuffers) |= 1u << number;
}

bool isPrecision(const std::string& word)
{
    return word == "lowp" || word == "mediump" || word == "highp";
}

bool isInterpolation(const std::string& word)
{
    return word == "flat" || word == "smooth" || word == "noperspective";
}

// The names a declaration gives after its type: NAME[, NAME]..., array sizes passed over.
std::vector<std::string> declaredNames(const std::vector<Token>& tokens, size_t at)
{
    std::vector<std::string> names;
    while (at < tokens.size() && isIdentifierStart(tokens[at].text[0])) {
        names.push_back(tokens[at++].text);
        if (at < tokens.size() && tokens[at].text == "[")
            while (at < tokens.size() && tokens[at].text != "]")
                ++at;
        while (at < tokens.size() && tokens[at].text != ",")
            ++at;
        ++at;  // the comma
    }
    return names;
}

// One global statement, without its closing ';': a sampler or a varying declaration is noted.
void readStatement(std::vector<Token> tokens, ShaderDeclarations& out)
{
    // layout(...) is passed over
    for (size_t i = 0; i + 1 < tokens.size(); ++i)
        if (tokens[i].text == "layout" && tokens[i + 1].text == "(") {
            size_t close = i + 1;
            while (close < tokens.size() && tokens[close].text != ")")
                ++close;
            tokens.erase(tokens.begin() + long(i), tokens.begin() + long(close < tokens.size() ? close + 1 : close));
            --i;
        }
    size_t at = 0;
    std::string interpolation;
    bool uniform = false, input = false, output = false;
    for (; at < tokens.size(); ++at) {
        const std::string& word = tokens[at].text;
        if (word == "uniform")
            uniform = true;
        else if (word == "varying")
            input = output = true;  // either, as the stage reads it
        else if (word == "in")
            input = true;
        else if (word == "out")
            output = true;
        else if (isInterpolation(word))
            interpolation = word;
        else if (!(isPrecision(word) || word == "centroid" || word == "invariant" || word == "sample"))
            break;
    }
    if (at >= tokens.size() || !isIdentifierStart(tokens[at].text[0]))
        return;
    const std::string& type = tokens[at].text;
    std::vector<std::string> names = declaredNames(tokens, at + 1);
    if (uniform && type == "sampler2D")
        for (const std::string& name : names)
            noteSampler(name, out);
    for (const std::string& name : names)
        for (int v = 0; v < playgroundVaryingCount; ++v)
            if (name == playgroundVaryingNames[v]) {
                if (input)
                    out.varyings[v] = DeclaredVarying{interpolation, type};
                if (output)
                    out.varyingOutputs |= 1u << v;
            }
}

// A preprocessor line, its '#' at `hash`: #version is noted, and a conditional's BACKGROUND or
// POSTPROCESSING.
void readDirective(const char* hash, const char* end, uint32_t line, ShaderDeclarations& out)
{
    std::vector<Token> tokens;
    tokenize(hash + 1, end, tokens);
    if (tokens.empty())
        return;
    const std::string& directive = tokens[0].text;
    if (directive == "version" && out.versionLine == 0) {
        out.versionLine = line;
        if (tokens.size() > 1)
            out.version = atoi(tokens[1].text.c_str());
        if (tokens.size() > 2)
            out.profile = tokens[2].text;
        return;
    }
    if (directive != "if" && directive != "ifdef" && directive != "ifndef" && directive != "elif")
        return;
    for (size_t i = 1; i < tokens.size(); ++i) {
        out.background = out.background || tokens[i].text == "BACKGROUND";
        out.postprocessing = out.postprocessing || tokens[i].text == "POSTPROCESSING";
    }
}

} // namespace

void scanShaderDeclarations(const char* text, size_t size, ShaderDeclarations& out)
{
    out = ShaderDeclarations();
    std::string clean = withoutComments(text, size);
    const char* c = clean.c_str();
    const char* end = c + clean.size();
    std::vector<Token> code;
    uint32_t line = 1;
    while (c < end) {
        const char* lineEnd = static_cast<const char*>(memchr(c, '\n', size_t(end - c)));
        lineEnd = lineEnd ? lineEnd : end;
        uint32_t lines = 1;
        // a line ending in a backslash goes on on the next
        while (lineEnd < end && lineEnd > c && (lineEnd[-1] == '\\' || (lineEnd[-1] == '\r' && lineEnd - 1 > c &&
                                                                        lineEnd[-2] == '\\'))) {
            const char* next = static_cast<const char*>(memchr(lineEnd + 1, '\n', size_t(end - lineEnd - 1)));
            lineEnd = next ? next : end;
            ++lines;
        }
        const char* first = c;
        while (first < lineEnd && (*first == ' ' || *first == '\t'))
            ++first;
        if (first < lineEnd && *first == '#')
            readDirective(first, lineEnd, line, out);
        else
            tokenize(c, lineEnd, code);
        line += lines;
        c = lineEnd + 1;
    }

    int braces = 0, parentheses = 0;
    std::vector<Token> statement;
    for (const Token& token : code) {
        const std::string& t = token.text;
        if (t == "{") {
            if (braces == 0 && parentheses == 0)
                statement.clear();  // a function's body or a block: no declaration of ours
            ++braces;
        } else if (t == "}") {
            braces = braces > 0 ? braces - 1 : 0;
        } else if (braces > 0) {
            continue;
        } else if (t == "(") {
            ++parentheses;
            statement.push_back(token);
        } else if (t == ")") {
            parentheses = parentheses > 0 ? parentheses - 1 : 0;
            statement.push_back(token);
        } else if (t == ";" && parentheses == 0) {
            readStatement(statement, out);
            statement.clear();
        } else {
            statement.push_back(token);
        }
    }
}

bool readsPlaygroundVaryings(const ShaderDeclarations& declarations)
{
    for (const DeclaredVarying& varying : declarations.varyings)
        if (!varying.type.empty())
            return true;
    return false;
}
