// The built program itself, run with piped answers in a fresh directory.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "console/transcript.h"
#include "support/temp_dir.h"

namespace lodthresh {
namespace {

using namespace transcript;
using testing::read_file;
using testing::TempDir;

struct Outcome {
    int status;
    std::string console;
    std::string errors;
};

// Runs the program in `dir` with `keys` on standard input and `arguments` on
// its command line, after the shell commands `setup`.
Outcome run_program(const TempDir& dir, const std::string& keys, const std::string& arguments = "",
                    const std::string& setup = "true") {
    std::ofstream(dir.file("keys"), std::ios::binary) << keys;
    const std::string command = "cd '" + dir.path().string() + "' && " + setup + " && exec '" +
                                LODTHRESH_BINARY "' " + arguments + " < keys > console 2> errors";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(dir.file("console")),
            read_file(dir.file("errors"))};
}

const std::string kSaveDefaults = "s\n\n\n\n\n\ne\n";

TEST(Program, SavesToVeskLodResInTheCurrentDirectory) {
    TempDir dir;
    const Outcome plain = run_program(dir, kSaveDefaults);
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.errors, "");
    const std::string file = read_file(dir.file("veskLOD.res"));
    EXPECT_EQ(file.rfind(kHeaderBlock, 0), 0u);
    EXPECT_NE(file.find("\nLOD for 1cM map\t\t\t= 3.361664" + kClosingLine), std::string::npos);

    // A second run appends behind the first.
    EXPECT_EQ(run_program(dir, kSaveDefaults).console, plain.console);
    EXPECT_EQ(read_file(dir.file("veskLOD.res")), file + file);
}

TEST(Program, WithArgumentsAsksNothingAndSavesNothing) {
    // Any argument selects the command line: the keystrokes stay unread.
    TempDir dir;
    const Outcome o = run_program(dir, kSaveDefaults, "--format=tsv");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.console.rfind("length\tchromosomes\t", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("veskLOD.res")));
}

TEST(Program, EndOfInputEndsWithStatusZero) {
    TempDir dir;
    const Outcome o = run_program(dir, "s\n\n\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.console,
              kBanner + kHead + length("33.00") + chromosomes("23") + rate("2") + kClosingLine);
    EXPECT_EQ(read_file(dir.file("veskLOD.res")), kHeaderBlock);
}

TEST(Program, AResultsFileOnAFullDeviceIsReportedForEveryBlock) {
    TempDir dir;
    std::filesystem::create_symlink("/dev/full", dir.file("veskLOD.res"));
    const Outcome o = run_program(dir, kSaveDefaults);
    EXPECT_EQ(o.status, 0);
    const std::string line = "Could not save to veskLOD.res: No space left on device\n";
    EXPECT_EQ(o.errors, line + line + line);
    EXPECT_NE(o.console.find("LOD for infinitely dense map\t= 3.614692"), std::string::npos);
}

TEST(Program, AResultsFileThatCannotBeOpenedIsReportedForEveryBlock) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("veskLOD.res"));
    const Outcome o = run_program(dir, kSaveDefaults);
    EXPECT_EQ(o.status, 0);
    const std::string line = "Could not save to veskLOD.res: Is a directory\n";
    EXPECT_EQ(o.errors, line + line + line);
    EXPECT_NE(o.console.find("LOD for infinitely dense map\t= 3.614692"), std::string::npos);
}

TEST(Program, ABlockThatDoesNotFitIsTakenOutAgain) {
    // A file-size limit of 1024 bytes (two of the shell's 512-byte blocks,
    // SIGXFSZ ignored so that the write fails with EFBIG) lets only part of
    // the header block reach a file of 1000 bytes. That part is taken out
    // again, and the earlier content stays as it was.
    TempDir dir;
    const std::string earlier(1000, 'x');
    std::ofstream(dir.file("veskLOD.res"), std::ios::binary) << earlier;
    const Outcome o = run_program(dir, kSaveDefaults, "", "trap '' XFSZ && ulimit -f 2");
    EXPECT_EQ(o.status, 0);
    const std::string line = "Could not save to veskLOD.res: File too large\n";
    EXPECT_EQ(o.errors, line + line + line);
    EXPECT_EQ(read_file(dir.file("veskLOD.res")), earlier);
}

}  // namespace
}  // namespace lodthresh
