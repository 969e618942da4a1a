#include "core/mesh/problems.h"

#include "core/diag/log.h"

namespace {

struct ProblemMessage {
    ProblemShape shape;
    const char* format;
    const char* formatMany;
};

const ProblemMessage messages[problemKindCount] = {
#define SPINVIEW_PROBLEM_MESSAGE(kind, shape, format, formatMany) {ProblemShape::shape, format, formatMany},
    SPINVIEW_PROBLEM_KINDS(SPINVIEW_PROBLEM_MESSAGE)
#undef SPINVIEW_PROBLEM_MESSAGE
};

std::string problemKey(ProblemKind kind, const std::string& subject, const std::string& file)
{
    std::string key(1, char(kind));
    key += subject;
    key += '\n';
    key += file;
    return key;
}

// "[a], [b], [c] and 4 more": the names kept of a listed problem of `count`.
std::string listNames(const Problem& problem)
{
    std::string text;
    for (const std::string& name : problem.names) {
        if (!text.empty())
            text += ", ";
        text += "[" + name + "]";
    }
    if (problem.tally.count > problem.names.size())
        text += " and " + std::to_string(problem.tally.count - problem.names.size()) + " more";
    return text;
}

// The log's formats take untyped arguments: the formats come from the table above.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif
void logProblem(const Problem& problem, const char* model)
{
    const ProblemMessage& message = messages[size_t(problem.kind)];
    const char* file = problem.file.empty() ? model : problem.file.c_str();
    unsigned count = problem.tally.count;
    const char* plural = count == 1 ? "" : "s";
    unsigned long long at = problem.tally.firstAt;
    switch (message.shape) {
    case ProblemShape::counted: logMessage(message.format, count, plural, file, at); break;
    case ProblemShape::countedSubject:
        logMessage(message.format, count, plural, problem.subject.c_str(), file, at);
        break;
    case ProblemShape::once: logMessage(message.format, file); break;
    case ProblemShape::onceSubject: logMessage(message.format, file, problem.subject.c_str()); break;
    case ProblemShape::listed:
        if (count == 1 && !problem.names.empty())
            logMessage(message.format, problem.names[0].c_str(), file);
        else
            logMessage(message.formatMany, count, file, listNames(problem).c_str());
        break;
    }
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

} // namespace

void addTallies(ProblemTallies& to, const ProblemTallies& from)
{
    for (size_t kind = 0; kind < problemKindCount; ++kind)
        addTally(to.of[kind], from.of[kind]);
}

bool noProblems(const ProblemTallies& tallies)
{
    for (const ProblemTally& tally : tallies.of)
        if (tally.count > 0)
            return false;
    return true;
}

Problem& findProblem(ProblemList& list, ProblemKind kind, const std::string& subject, const std::string& file)
{
    auto found = list.index.emplace(problemKey(kind, subject, file), list.problems.size());
    if (found.second)
        list.problems.push_back(Problem{kind, subject, file, ProblemTally(), {}});
    return list.problems[found.first->second];
}

void noticeProblem(ProblemList& list, ProblemKind kind, const std::string& subject, const std::string& file,
                   uint64_t at)
{
    notice(findProblem(list, kind, subject, file).tally, at);
}

void noticeListed(ProblemList& list, ProblemKind kind, const std::string& name, const std::string& file)
{
    Problem& problem = findProblem(list, kind, std::string(), file);
    if (problem.names.size() < listedNames)
        problem.names.push_back(name);
    notice(problem.tally, 0);
}

void appendProblems(ProblemList& to, const ProblemList& from)
{
    for (const Problem& problem : from.problems) {
        Problem& into = findProblem(to, problem.kind, problem.subject, problem.file);
        addTally(into.tally, problem.tally);
        for (size_t i = 0; i < problem.names.size() && into.names.size() < listedNames; ++i)
            into.names.push_back(problem.names[i]);
    }
}

void addTalliesToList(ProblemList& list, const ProblemTallies& tallies, const std::string& file)
{
    for (size_t kind = 0; kind < problemKindCount; ++kind)
        if (tallies.of[kind].count > 0)
            addTally(findProblem(list, ProblemKind(kind), std::string(), file).tally, tallies.of[kind]);
}

uint32_t problemCount(const ProblemList& list, ProblemKind kind, const std::string& subject, const std::string& file)
{
    auto found = list.index.find(problemKey(kind, subject, file));
    return found == list.index.end() ? 0 : list.problems[found->second].tally.count;
}

bool hasNewProblems(const ProblemList& read, const ProblemList& shown)
{
    for (const Problem& problem : read.problems)
        if (problem.tally.count > problemCount(shown, problem.kind, problem.subject, problem.file))
            return true;
    return false;
}

void logProblems(const ProblemList& list, const char* model)
{
    for (const Problem& problem : list.problems)
        logProblem(problem, model);
}
