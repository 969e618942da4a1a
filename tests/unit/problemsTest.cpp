#include "core/mesh/problems.h"
#include "support/captureStdout.h"

#include <gtest/gtest.h>

#include <string>

TEST(Problems, OneLinePerProblemInTheOrderMetWithItsFileAndFirstPlace)
{
    ProblemList list;
    ProblemTallies tallies;
    notice(tallies[ProblemKind::invalidFaces], 6);
    notice(tallies[ProblemKind::invalidFaces], 9);
    noticeSome(tallies[ProblemKind::missingNormals], 8, 3);
    notice(tallies[ProblemKind::fileShrank], 0);
    addTalliesToList(list, tallies, std::string());
    noticeProblem(list, ProblemKind::readByContent, "PLY", std::string(), 0);
    // a listed kind: one names its subject, more are counted with the first three named
    noticeListed(list, ProblemKind::missingLibraries, "a.mtl", std::string());
    for (const char* name : {"wood", "oak", "ash", "elm", "fir"})
        noticeListed(list, ProblemKind::undefinedMaterials, name, std::string());
    noticeProblem(list, ProblemKind::ignoredStatements, "foo", "lib.mtl", 5);
    noticeProblem(list, ProblemKind::ignoredStatements, "foo", "lib.mtl", 7);
    noticeProblem(list, ProblemKind::ignoredStatements, "bar", "lib.mtl", 6);
    EXPECT_EQ(captureStdout([&] { logProblems(list, "m.obj"); }),
              "File [m.obj] shrank while it was read\n"
              "Skipped 2 faces with invalid indices in [m.obj], first at line 6\n"
              "Gave 3 corners with an out-of-range normal index a computed normal in [m.obj], first at line 8\n"
              "[m.obj] is PLY by its content, whatever its name says: read as such\n"
              "Cannot open material library [a.mtl] of [m.obj]\n"
              "Drew 5 materials of [m.obj], which no material library defines, with the default material: [wood], "
              "[oak], [ash] and 2 more\n"
              "Ignored 2 statements [foo] in [lib.mtl], first at line 5\n"
              "Ignored 1 statement [bar] in [lib.mtl], first at line 6\n");
    EXPECT_EQ(captureStdout([] { logProblems(ProblemList(), "m.obj"); }), "");
}

TEST(Problems, NewProblemsAreMoreOfAKindSubjectAndFileThanShown)
{
    ProblemList shown, read;
    noticeProblem(shown, ProblemKind::invalidFaces, "", "", 3);
    noticeProblem(read, ProblemKind::invalidFaces, "", "", 4);
    EXPECT_FALSE(hasNewProblems(read, shown));  // as many, wherever first
    EXPECT_FALSE(hasNewProblems(ProblemList(), shown));
    noticeProblem(read, ProblemKind::invalidFaces, "", "", 9);
    EXPECT_TRUE(hasNewProblems(read, shown));
    ProblemList other;
    noticeProblem(other, ProblemKind::ignoredStatements, "foo", "b.mtl", 1);
    EXPECT_TRUE(hasNewProblems(other, shown));
    noticeProblem(shown, ProblemKind::ignoredStatements, "foo", "a.mtl", 1);
    EXPECT_TRUE(hasNewProblems(other, shown));  // another file's
    // appended lists add up, the first place kept
    appendProblems(shown, other);
    appendProblems(shown, read);
    EXPECT_EQ(problemCount(shown, ProblemKind::invalidFaces), 3u);
    EXPECT_EQ(shown.problems[0].tally.firstAt, 3u);
    EXPECT_EQ(problemCount(shown, ProblemKind::ignoredStatements, "foo", "b.mtl"), 1u);
}
