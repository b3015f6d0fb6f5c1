// When the console output goes out: before the program waits for an answer,
// and before anything is written to standard error; otherwise it is left to
// the stream's buffering.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <streambuf>
#include <string>
#include <utility>

#include "console/driver.h"
#include "console/transcript.h"
#include "support/child_process.h"
#include "support/memory_streams.h"
#include "support/temp_dir.h"

namespace lodthresh {
namespace {

using namespace transcript;
using testing::ChildProcess;
using testing::InputStream;
using testing::read_file;
using testing::TempDir;

// One chromosome, no length, level 0.9: chisqv is asked for 1 - 2 alpha_n < 0.
const std::string kFailingDialogue = "0\n1\n\n0.9\n\n";
const std::string kFailingPrompts = kHead + length("33.00") + chromosomes("23") + rate("2") +
                                    level("0.0500") + precision("0.0000000100");
const std::string kChisqvError = "Numerics Error in routine chisqv\n    Invalid p parameter\n";
const std::string kFailed = "\n\nNo results: the calculation failed for these parameters.";

TEST(Flushing, AWholeSessionOverPipesAnsweredTurnByTurn) {
    // The built program with standard input on one pipe and standard output
    // and error on another, answered turn by turn: each answer is written only
    // when the prompt it answers has arrived.
    TempDir dir;
    ChildProcess program(LODTHRESH_BINARY, {{}, dir.path().string(), true, false});
    // The prompt that each answer waits for: a failing calculation, then the
    // defaults again, with saving on.
    const std::pair<std::string, std::string> turns[] = {
        {kSaveQuestion, "s\n"},     {length("33.00"), "0\n"},    {chromosomes("23"), "1\n"},
        {rate("2"), "\n"},          {level("0.0500"), "0.9\n"},  {precision("0.0000000100"), "\n"},
        {kContinueQuestion, "\n"},  {length("0.00"), "33\n"},    {chromosomes("1"), "23\n"},
        {rate("2"), "\n"},          {level("0.9000"), "0.05\n"}, {precision("0.0000000100"), "\n"},
        {kContinueQuestion, "e\n"}, {kClosingLine, ""},
    };
    for (const auto& [prompt, keys] : turns) {
        ASSERT_TRUE(program.read_until_end_is(prompt)) << "no prompt before \"" << keys << '"';
        ASSERT_TRUE(program.send(keys));
    }
    EXPECT_EQ(program.exit_status(), 0);
    // The numerics message comes between the precision prompt and the
    // "No results" line of the failing calculation.
    const std::string& merged = program.received();
    EXPECT_EQ(merged.rfind(kBanner + kFailingPrompts + kChisqvError + kFailed + kContinueQuestion +
                               kClosingLine + kHead + length("0.00"),
                           0),
              0u);
    EXPECT_NE(merged.find("LOD for 1cM map\t\t\t= 3.361664" + kContinueQuestion),
              std::string::npos);
    const std::string file = read_file(dir.file("veskLOD.res"));
    EXPECT_EQ(file.rfind(kHeaderBlock, 0), 0u);
    EXPECT_NE(file.find(kFailed + kClosingLine), std::string::npos);
    EXPECT_NE(file.find("LOD for 1cM map\t\t\t= 3.361664" + kClosingLine), std::string::npos);
}

// Writes to a C stream, as std::cerr writes to standard error.
class ToFile : public std::streambuf {
  public:
    explicit ToFile(std::FILE* file) : file_(file) {}

  protected:
    int overflow(int c) override { return c == EOF ? 0 : std::fputc(c, file_); }

  private:
    std::FILE* file_;
};

// Runs the program with `keys` from a regular file, the results file at
// `results_path`, and the console, the error stream and std::cerr appending to
// one file, the console through a buffer of its own. Returns that file.
std::string merged_run(const TempDir& dir, const std::string& keys,
                       const std::string& results_path) {
    const std::string merged = dir.file("merged");
    std::FILE* const out = std::fopen(merged.c_str(), "a");
    std::FILE* const err = std::fopen(merged.c_str(), "a");
    std::setvbuf(err, nullptr, _IONBF, 0);
    ToFile to_err(err);
    std::streambuf* const saved = std::cerr.rdbuf(&to_err);
    const InputStream in(keys);
    lodthresh::run(in.get(), out, err, results_path.c_str());
    std::cerr.rdbuf(saved);
    std::fclose(out);
    std::fclose(err);
    return read_file(merged);
}

TEST(Flushing, TheConsoleGoesOutBeforeEachMessageOnTheErrorStream) {
    // The numerics message, with saving off.
    TempDir dir;
    EXPECT_EQ(
        merged_run(dir, "\n" + kFailingDialogue + "e\n", dir.file("veskLOD.res")),
        kBanner + kFailingPrompts + kChisqvError + kFailed + kContinueQuestion + kClosingLine);
    // The results file is a directory: every block is reported.
    TempDir other;
    const std::string results = other.file("veskLOD.res");
    std::filesystem::create_directory(results);
    const std::string not_saved = "Could not save to " + results + ": Is a directory\n";
    EXPECT_EQ(merged_run(other, "s\n" + kFailingDialogue + "e\n", results),
              kBanner + not_saved + kFailingPrompts + not_saved + kChisqvError + kFailed +
                  not_saved + kContinueQuestion + kClosingLine);
}

// Counts the writes that reach it.
ssize_t count_write(void* writes, const char*, std::size_t size) {
    ++*static_cast<int*>(writes);
    return static_cast<ssize_t>(size);
}

TEST(Flushing, AnswersThatAreAlreadyBufferedCostNoWrite) {
    // Two calculations, their answers all in the input before the run begins.
    // From a pipe, the banner goes out when the program first reads and may
    // wait, the rest at the end; a regular file never waits and the output
    // goes out at the end only.
    const std::string keys =
        "\n"
        "\n\n\n\n\n"
        "\n"
        "\n\n1\n\n\n"
        "e\n";
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    close(ends[1]);
    std::FILE* const pipe_in = fdopen(ends[0], "r");
    const InputStream file_in(keys);
    for (const auto& [in, expected] : {std::pair{pipe_in, 2}, std::pair{file_in.get(), 1}}) {
        int writes = 0;
        std::FILE* const out = fopencookie(&writes, "w", {nullptr, count_write, nullptr, nullptr});
        lodthresh::run(in, out, stderr, "/nonexistent/veskLOD.res");
        EXPECT_EQ(writes, expected);
        std::fclose(out);
    }
    std::fclose(pipe_in);
}

}  // namespace
}  // namespace lodthresh
