// Writing files together: all take their names or none does, and nothing of the user's is
// lost. (The tools' tests show the rest through make_sample_terrain: links replaced, not
// followed.)
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>

#include "child_process.h"
#include "elevation/output_files.h"
#include "image_files.h"
#include "scratch_folder.h"

namespace elevation {
namespace {

namespace fs = std::filesystem;
using testfiles::Bytes;

class OutputFiles : public ScratchFolder {
protected:
    std::vector<OutputFile> twoFiles(std::size_t secondBytes = 3) const {
        return {{"first.bmp", Bytes{1, 2, 3}}, {"second.jpg", Bytes(secondBytes, 7)}};
    }
    // The names in the folder, temporaries included.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir)) found.push_back(entry.path().filename());
        std::sort(found.begin(), found.end());
        return found;
    }
};

TEST_F(OutputFiles, LeavesExistingFilesAloneUnlessTheyMayBeReplaced) {
    testfiles::writeFile(dir / "second.jpg", Bytes{9});
    const std::string taken = "'" + (dir / "second.jpg").string() +
                              "' already exists; pass --force to replace it, or choose another --out";
    EXPECT_EQ(outputNamesProblem(dir, {"first.bmp", "second.jpg"}, false), taken);
    EXPECT_EQ(writeFilesTogether(dir, twoFiles(), false), taken);
    EXPECT_EQ(names(), (std::vector<std::string>{"second.jpg"}));
    ASSERT_EQ(writeFilesTogether(dir, twoFiles(), true), "");
    EXPECT_EQ(names(), (std::vector<std::string>{"first.bmp", "second.jpg"}));   // no temporaries left
    EXPECT_EQ(testfiles::readFile(dir / "second.jpg"), (Bytes{7, 7, 7}));
    // A folder at a name is never replaced.
    fs::create_directory(dir / "third");
    EXPECT_EQ(writeFilesTogether(dir, {{"third", Bytes{1}}}, true),
              "'" + (dir / "third").string() + "' exists and is not a file; move it away or choose another --out");
}

TEST_F(OutputFiles, AFailedWriteReplacesNothingAndSaysWhichFileAndWhy) {
    testfiles::writeFile(dir / "first.bmp", Bytes{5});
    // The second file fails, at a file size limit as on a full disk, once the first is
    // written in full: that one must not take its name either.
    const testchild::ChildRun run = testchild::runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::ofstream(dir / "problem") << writeFilesTogether(dir, twoFiles(100000), true);
        return 0;
    });
    ASSERT_EQ(run.exitStatus, 0);
    std::string problem;
    std::getline(std::ifstream(dir / "problem"), problem);
    EXPECT_EQ(problem, "cannot write '" + (dir / "second.jpg").string() +
                           "' (File too large); nothing was replaced; check the free space and permissions of '" +
                           dir.string() + "' or choose another --out");
    fs::remove(dir / "problem");
    EXPECT_EQ(names(), (std::vector<std::string>{"first.bmp"}));
    EXPECT_EQ(testfiles::readFile(dir / "first.bmp"), (Bytes{5}));
}

}  // namespace
}  // namespace elevation
