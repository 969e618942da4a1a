#pragma once
// The problems a model's files have, of every format: one list of kinds, each with its count and
// where it was first met (a line, an element or a byte offset, as its message says). Logging, the
// reload's hold-back and the two-thread reading all loop over the kinds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// How a kind's message is written; its formats take, in order:
//   counted:        the count (%u), the plural ending (%s), the file (%s), the first place (%llu)
//   countedSubject: the count, the plural ending, the subject (%s), the file, the first place
//   once:           the file (%s)
//   onceSubject:    the file (%s), the subject (%s)
//   listed:         one:  the name (%s), the file (%s);
//                   more: the count (%u), the file (%s), the first names, bracketed (%s)
enum class ProblemShape : uint8_t { counted, countedSubject, once, onceSubject, listed };

// X(kind, shape, format, format for more than one of a listed kind)
#define SPINVIEW_PROBLEM_KINDS(X)                                                                                    \
    X(fileShrank, once, "File [%s] shrank while it was read", nullptr)                                              \
    X(readByContent, onceSubject, "[%s] is %s by its content, whatever its name says: read as such", nullptr)      \
    /* glTF: the place is a buffer, an accessor, a mesh or a node, by its index */                              \
    X(gltfUnreadable, onceSubject, "Cannot read [%s] as glTF: %s", nullptr)                                        \
    X(gltfMissingBuffers, listed, "Cannot read buffer [%s] of [%s]: what it holds is not drawn",                    \
      "Cannot read %u buffers of [%s]: %s: what they hold is not drawn")                                           \
    X(gltfShortBuffers, counted, "Found %u buffer%s of [%s] shorter than declared, first buffer %llu", nullptr)   \
    X(gltfAccessorsPastData, counted, "Skipped %u accessor%s reaching past their data in [%s], first accessor %llu",\
      nullptr)                                                                                                      \
    X(gltfBadAccessors, counted, "Skipped %u accessor%s of a wrong type or count in [%s], first accessor %llu",     \
      nullptr)                                                                                                      \
    X(pointsAndLines, counted, "Skipped %u primitive%s of points or lines in [%s], first in mesh %llu", nullptr) \
    X(gltfBadPrimitives, counted, "Skipped %u primitive%s without readable positions in [%s], first in mesh %llu", \
      nullptr)                                                                                                      \
    X(gltfPastOutputLimit, counted, "Skipped %u primitive%s of [%s] past the output its size allows, first in mesh %llu",\
      nullptr)                                                                                                      \
    X(gltfIndicesPastVertices, counted,                                                                             \
      "Skipped %u triangle%s with indices past the vertices in [%s], first in mesh %llu", nullptr)                 \
    X(gltfNonFiniteNumbers, counted, "Read %u non-finite number%s as 0 in [%s], first in accessor %llu", nullptr)  \
    X(gltfBadNodes, counted,                                                                                        \
      "Skipped %u node reference%s that repeat a node, close a cycle or name none in [%s], first node %llu",       \
      nullptr)                                                                                                      \
    X(gltfBadTransforms, counted, "Ignored %u node transform%s that overflow in [%s], first node %llu", nullptr)  \
    X(gltfBadReferences, countedSubject, "Ignored %u reference%s %s in [%s], first from number %llu", nullptr)    \
    X(gltfNothingDrawn, once, "[%s] draws no triangles: its scene holds none", nullptr)                           \
    X(gltfRequiredExtensions, onceSubject, "[%s] requires extension %s, which is not read: what needs it is missing",\
      nullptr)                                                                                                      \
    X(importerUnreadable, onceSubject, "Cannot read [%s] through the general importer: %s", nullptr)              \
    X(importerAbsent, onceSubject, "Cannot read [%s]: this build has no general importer for %s files", nullptr)   \
    X(importerUnloadable, onceSubject, "Cannot read [%s]: the general importer cannot be loaded: %s", nullptr)    \
    X(invalidFaces, counted, "Skipped %u face%s with invalid indices in [%s], first at line %llu", nullptr)         \
    X(missingTexCoords, counted,                                                                                    \
      "Gave %u corner%s with an out-of-range texture index the texture coordinate (0, 0) in [%s], first at line "   \
      "%llu",                                                                                                       \
      nullptr)                                                                                                      \
    X(missingNormals, counted,                                                                                      \
      "Gave %u corner%s with an out-of-range normal index a computed normal in [%s], first at line %llu", nullptr)  \
    X(missingNumbers, counted, "Read missing numbers as 0 in %u record%s of [%s], first at line %llu", nullptr)     \
    X(nonFiniteNumbers, counted, "Read %u non-finite number%s as 0 in [%s], first at line %llu", nullptr)          \
    X(missingLibraries, listed, "Cannot open material library [%s] of [%s]",                                        \
      "Cannot open %u material libraries of [%s]: %s")                                                              \
    X(undefinedMaterials, listed,                                                                                   \
      "Drew material [%s] of [%s], which no material library defines, with the default material",                   \
      "Drew %u materials of [%s], which no material library defines, with the default material: %s")              \
    X(noMaterialDefined, listed,                                                                                    \
      "No material library defines material [%s] of [%s]: drew it without materials",                               \
      "No material library defines any of the %u materials of [%s] (%s): drew it without materials")               \
    X(ignoredStatements, countedSubject, "Ignored %u statement%s [%s] in [%s], first at line %llu", nullptr)       \
    X(statementsWithoutNumbers, countedSubject,                                                                     \
      "Ignored %u statement%s [%s] without its numbers in [%s], first at line %llu", nullptr)                       \
    X(twoNumberColors, countedSubject,                                                                              \
      "Ignored %u statement%s [%s] of two numbers in [%s], first at line %llu: a color takes one (grey) or three",  \
      nullptr)                                                                                                      \
    X(nonFiniteStatements, countedSubject,                                                                          \
      "Ignored %u statement%s [%s] with a non-finite number in [%s], first at line %llu", nullptr)                  \
    X(ignoredMapOptions, countedSubject, "Ignored %u map_Kd option%s [%s] in [%s], first at line %llu", nullptr)   \
    X(opaqueTr, countedSubject,                                                                                     \
      "Read %u Tr statement%s [%s] of full transparency as opaque in [%s], first at line %llu: exporters disagree " \
      "on its sense",                                                                                               \
      nullptr)                                                                                                      \
    X(readInPart, onceSubject, "Read [%s] only in part: %s", nullptr)                                               \
    X(headerFault, onceSubject, "Read [%s] only as far as its header holds: %s", nullptr)                           \
    X(undrawnFaces, onceSubject, "[%s] holds faces in element [%s], which are not drawn", nullptr)                  \
    X(trailingBytes, counted, "Ignored %u byte%s past the data of [%s], from byte %llu", nullptr)                   \
    X(invalidFacesAtFace, counted, "Skipped %u face%s with invalid indices in [%s], first at face %llu", nullptr)   \
    X(nonFiniteAtByte, counted, "Read %u non-finite number%s as 0 in [%s], first at byte %llu", nullptr)            \
    X(shortFacets, counted, "Skipped %u facet%s of fewer than three vertices in [%s], first at line %llu", nullptr)

enum class ProblemKind : uint8_t {
#define SPINVIEW_PROBLEM_ENUM(kind, shape, format, formatMany) kind,
    SPINVIEW_PROBLEM_KINDS(SPINVIEW_PROBLEM_ENUM)
#undef SPINVIEW_PROBLEM_ENUM
};

#define SPINVIEW_PROBLEM_COUNT(kind, shape, format, formatMany) +1
constexpr size_t problemKindCount = 0 SPINVIEW_PROBLEM_KINDS(SPINVIEW_PROBLEM_COUNT);
#undef SPINVIEW_PROBLEM_COUNT

// How often one kind of problem was met, and where first: a line (1-based), an element or a byte
// offset, as the kind's message says.
struct ProblemTally {
    uint32_t count = 0;
    uint64_t firstAt = 0;
};

// Counts a problem at `at`, remembering the first place it was met.
inline void notice(ProblemTally& tally, uint64_t at)
{
    if (tally.count++ == 0)
        tally.firstAt = at;
}

// Counts `count` problems at `at` (none for 0).
inline void noticeSome(ProblemTally& tally, uint64_t at, uint32_t count)
{
    if (count == 0)
        return;
    if (tally.count == 0)
        tally.firstAt = at;
    tally.count += count;
}

// Adds `from`, met after `to`'s, to `to`.
inline void addTally(ProblemTally& to, const ProblemTally& from)
{
    if (from.count == 0)
        return;
    if (to.count == 0)
        to.firstAt = from.firstAt;
    to.count += from.count;
}

// One tally per kind: what a reader counts as it goes, in one file.
struct ProblemTallies {
    ProblemTally of[problemKindCount];
    ProblemTally& operator[](ProblemKind kind) { return of[size_t(kind)]; }
    const ProblemTally& operator[](ProblemKind kind) const { return of[size_t(kind)]; }
};

// Adds `from`, met after `to`'s, to `to`, kind by kind.
void addTallies(ProblemTallies& to, const ProblemTallies& from);

// True when no kind was met.
bool noProblems(const ProblemTallies& tallies);

// A kind of problem in one file, about one subject where the kind has one (a statement's keyword,
// the format a file was read as), with its tally; a listed kind also keeps the first few names it
// is about (libraries, materials).
struct Problem {
    ProblemKind kind;
    std::string subject;
    std::string file;  // empty: the model's own file
    ProblemTally tally;
    std::vector<std::string> names;
};

// Every problem of a model's reading, in the order first met.
struct ProblemList {
    std::vector<Problem> problems;
    std::unordered_map<std::string, size_t> index;  // a problem's place, by kind, subject and file
};

// How many names a listed kind keeps and prints.
constexpr size_t listedNames = 3;

// The problem of that kind, subject and file in the list, added with no count when new.
Problem& findProblem(ProblemList& list, ProblemKind kind, const std::string& subject, const std::string& file);

// Counts a problem of that kind, subject and file at `at`.
void noticeProblem(ProblemList& list, ProblemKind kind, const std::string& subject, const std::string& file,
                   uint64_t at);

// Counts one more of a listed kind in `file`, about `name` (kept while fewer than listedNames are).
void noticeListed(ProblemList& list, ProblemKind kind, const std::string& name, const std::string& file);

// Appends the problems of `from`, met after those of `to`, to `to`.
void appendProblems(ProblemList& to, const ProblemList& from);

// Appends the tallies of `file` (empty: the model's own) to the list, kind by kind.
void addTalliesToList(ProblemList& list, const ProblemTallies& tallies, const std::string& file);

// The count of that kind, subject and file; 0 when it was not met.
uint32_t problemCount(const ProblemList& list, ProblemKind kind, const std::string& subject = std::string(),
                      const std::string& file = std::string());

// True when `read` has more of some problem (kind, subject and file) than `shown`: what a file caught
// halfway through its writing looks like.
bool hasNewProblems(const ProblemList& read, const ProblemList& shown);

// Logs one line per problem, in the order first met, naming its file (`model` for the model's own).
void logProblems(const ProblemList& list, const char* model);
