#include "core/files/paths.h"

#include <vector>

namespace {

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

std::string foldedPath(const std::string& path)
{
    std::vector<std::string> steps;
    size_t start = 0;
    bool rooted = !path.empty() && isSeparator(path[0]);
    while (start <= path.size()) {
        size_t stop = start;
        while (stop < path.size() && !isSeparator(path[stop]))
            ++stop;
        std::string step = path.substr(start, stop - start);
        if (step == "..") {
            if (!steps.empty() && steps.back() != "..")
                steps.pop_back();
            else if (!rooted)
                steps.push_back(step);
        } else if (!step.empty() && step != ".") {
            steps.push_back(step);
        }
        start = stop + 1;
    }
    std::string folded = rooted ? "/" : "";
    for (size_t i = 0; i < steps.size(); ++i)
        folded += (i ? "/" : "") + steps[i];
    return folded;
}

bool isAbsolutePath(const std::string& path)
{
    return (!path.empty() && isSeparator(path[0])) || (path.size() > 1 && path[1] == ':');
}

std::string pathBeside(const std::string& from, const std::string& name)
{
    if (isAbsolutePath(name))
        return foldedPath(name);
    size_t slash = from.find_last_of("/\\");
    return foldedPath(slash == std::string::npos ? name : from.substr(0, slash + 1) + name);
}
