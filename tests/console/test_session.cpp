// Transcripts of whole runs: keystrokes in, exact console bytes, exact
// results-file bytes and the error stream out.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "console/driver.h"
#include "console/transcript.h"
#include "support/memory_streams.h"
#include "support/temp_dir.h"

namespace lodthresh {
namespace {

using namespace transcript;
using testing::InputStream;
using testing::OutputStream;
using testing::read_file;
using testing::TempDir;

// The console results block and the file blocks of the default parameters
// (33 Morgan, 23 chromosomes, rate 2, level 0.05, precision 1e-8).
const std::string kDefaultResults =
    "\n\n*********************************************************"
    "\nResults:"
    "\n\nNominal alpha\t\t\t= 0.0000225194"
    "\n\nLOD for infinitely dense map\t= 3.614692"
    "\n\nLOD for 10cM map\t\t= 2.891754"
    "\nLOD for 5cM map\t\t\t= 3.072488"
    "\nLOD for 2cM map\t\t\t= 3.253223"
    "\nLOD for 1cM map\t\t\t= 3.361664";
const std::string kDefaultEcho =
    "\n\nLength of genomic region in Morgan\t=\t33.00"
    "\nNumber of chromosomes\t\t\t=\t23"
    "\nCross over rate\t\t\t\t=\t2"
    "\nGlobal significance level\t\t=\t0.050000"
    "\nPrecision\t\t\t\t=\t0.0000000100";
const std::string kDefaultFileResults =
    "\n\nNominal alpha\t\t\t= 0.0000225194"
    "\nLOD for infinitely dense map\t= 3.614692"
    "\nLOD for 10cM map\t\t= 2.891754"
    "\nLOD for 5cM map\t\t\t= 3.072488"
    "\nLOD for 2cM map\t\t\t= 3.253223"
    "\nLOD for 1cM map\t\t\t= 3.361664"
    "\n\n*********************************************************\n\n";

// The same with a cross-over rate of 1.
const std::string kRateOneResults =
    "\n\n*********************************************************"
    "\nResults:"
    "\n\nNominal alpha\t\t\t= 0.0000487750"
    "\n\nLOD for infinitely dense map\t= 3.297064"
    "\n\nLOD for 10cM map\t\t= 2.637651"
    "\nLOD for 5cM map\t\t\t= 2.802504"
    "\nLOD for 2cM map\t\t\t= 2.967357"
    "\nLOD for 1cM map\t\t\t= 3.066269";
const std::string kRateOneEcho =
    "\n\nLength of genomic region in Morgan\t=\t33.00"
    "\nNumber of chromosomes\t\t\t=\t23"
    "\nCross over rate\t\t\t\t=\t1"
    "\nGlobal significance level\t\t=\t0.050000"
    "\nPrecision\t\t\t\t=\t0.0000000100";
const std::string kRateOneFileResults =
    "\n\nNominal alpha\t\t\t= 0.0000487750"
    "\nLOD for infinitely dense map\t= 3.297064"
    "\nLOD for 10cM map\t\t= 2.637651"
    "\nLOD for 5cM map\t\t\t= 2.802504"
    "\nLOD for 2cM map\t\t\t= 2.967357"
    "\nLOD for 1cM map\t\t\t= 3.066269"
    "\n\n*********************************************************\n\n";

const std::string kEnterFive = "\n\n\n\n\n";
const std::string kNoPrecision =
    "\n\nNo results: the requested precision cannot be reached for these parameters.";
const std::string kFailed = "\n\nNo results: the calculation failed for these parameters.";

class Session : public ::testing::Test {
  protected:
    struct Run {
        std::string console;
        std::string errors;    // the run's own error stream
        std::string numerics;  // what the numerics library wrote to std::cerr
        int status;
    };

    Run run(const std::string& keys) { return run_with(keys, results_path_); }

    Run run_with(const std::string& keys, const std::string& results_path) {
        InputStream in(keys);
        OutputStream out;
        OutputStream err;
        std::ostringstream numerics;
        std::streambuf* const saved = std::cerr.rdbuf(numerics.rdbuf());
        const int status = lodthresh::run(in.get(), out.get(), err.get(), results_path.c_str());
        std::cerr.rdbuf(saved);
        return {out.text(), err.text(), numerics.str(), status};
    }

    std::string results() const { return read_file(results_path_); }
    bool results_exist() const { return std::filesystem::exists(results_path_); }

    TempDir dir_;
    std::string results_path_ = dir_.file("veskLOD.res");
};

TEST_F(Session, DefaultsWithEnterEverywhere) {
    const Run r = run("\n" + kEnterFive + "e\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, kBanner + kDefaults + kDefaultResults + kContinueQuestion + kClosingLine);
    EXPECT_EQ(r.errors, "");
    EXPECT_FALSE(results_exist());
}

TEST_F(Session, SaveModeHelpThenSaveWritesHeaderEchoAndResults) {
    const Run r = run("?\ns\n" + kEnterFive + "e\n");
    EXPECT_EQ(r.console, kBanner + kSaveHelp + kSaveQuestion + kDefaults + kDefaultResults +
                             kContinueQuestion + kClosingLine);
    EXPECT_EQ(results(), kHeaderBlock + kDefaultEcho + kDefaultFileResults);
}

TEST_F(Session, OnlyALowercaseSSaves) {
    for (const char* answer : {"S\n", "x\n", "\n", "?\nS\n", "?\n?\n", "?\n\n"}) {
        SCOPED_TRACE(answer);
        const Run r = run(answer + kEnterFive + "e\n");
        EXPECT_NE(r.console.find(kDefaultResults), std::string::npos);
        EXPECT_FALSE(results_exist());
    }
}

TEST_F(Session, TwoCalculationsWithSavingOn) {
    // Enter at the continue question goes on; the second dialogue starts
    // from the first one's values.
    const Run r = run("s\n" + kEnterFive + "\n" + "\n\n1\n\n\n" + "e\n");
    EXPECT_EQ(r.console, kBanner + kDefaults + kDefaultResults + kContinueQuestion + kClosingLine +
                             kDefaults + kRateOneResults + kContinueQuestion + kClosingLine);
    EXPECT_EQ(results(), kHeaderBlock + kDefaultEcho + kDefaultFileResults + kRateOneEcho +
                             kRateOneFileResults);
}

TEST_F(Session, RunsAppendToTheSameFile) {
    run("s\n" + kEnterFive + "e\n");
    run("s\n\n\n1\n\n\ne\n");
    EXPECT_EQ(results(), kHeaderBlock + kDefaultEcho + kDefaultFileResults + kHeaderBlock +
                             kRateOneEcho + kRateOneFileResults);
}

TEST_F(Session, EveryAnswerButEGoesOnAndOnlyTheFirstCharacterCounts) {
    for (const char* answer : {"E\n", "n\n", "?\n", "\n"}) {
        SCOPED_TRACE(answer);
        const Run r = run("\n" + kEnterFive + answer + kEnterFive + "e\n");
        EXPECT_EQ(r.console, kBanner + kDefaults + kDefaultResults + kContinueQuestion +
                                 kClosingLine + kDefaults + kDefaultResults + kContinueQuestion +
                                 kClosingLine);
    }
    // "nx": 'n' answers, 'x' is discarded, and the line's rest is the next
    // dialogue's first entry. "ex" ends all the same.
    const Run r = run("\n" + kEnterFive + "nx7\n\n\n\n\nex\n");
    EXPECT_NE(r.console.find(kHead + length("33.00") + chromosomes("23")), std::string::npos);
    EXPECT_NE(r.console.find(kClosingLine + kHead + length("33.00") + chromosomes("23") +
                             rate("2") + level("0.0500") + precision("0.0000000100") + "\n\n*****"),
              std::string::npos);
    const Run typed = run("\n" + kEnterFive + "n 7\n\n\n\n\ne\n");
    EXPECT_NE(typed.console.find("Nominal alpha\t\t\t= 0.0000225194"), std::string::npos);
}

TEST_F(Session, EndOfInputEndsTheRunWithTheClosingLine) {
    struct Case {
        std::string keys;
        std::string console;
        std::string file;
    };
    const Case cases[] = {
        {"", kBanner, ""},
        {"?\n", kBanner + kSaveHelp + kSaveQuestion, ""},
        {"s", kBanner + kHead + length("33.00"), kHeaderBlock},
        {"s\n\n\n", kBanner + kHead + length("33.00") + chromosomes("23") + rate("2"),
         kHeaderBlock},
        {"s\n" + kEnterFive, kBanner + kDefaults + kDefaultResults + kContinueQuestion,
         kHeaderBlock + kDefaultEcho + kDefaultFileResults},
        {"s\n" + kEnterFive + "\n",
         kBanner + kDefaults + kDefaultResults + kContinueQuestion + kClosingLine + kHead +
             length("33.00"),
         kHeaderBlock + kDefaultEcho + kDefaultFileResults},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        std::filesystem::remove(results_path_);
        const Run r = run(c.keys);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.console, c.console + kClosingLine);
        EXPECT_EQ(results(), c.file);
    }
}

// The parameter echo block, from the values as the file shows them.
std::string echo(const std::string& g, const std::string& c, const std::string& rho,
                 const std::string& alpha, const std::string& epsilon) {
    return "\n\nLength of genomic region in Morgan\t=\t" + g + "\nNumber of chromosomes\t\t\t=\t" +
           c + "\nCross over rate\t\t\t\t=\t" + rho + "\nGlobal significance level\t\t=\t" + alpha +
           "\nPrecision\t\t\t\t=\t" + epsilon;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST_F(Session, CalculationsWithoutAResultSayWhyAndGoOn) {
    struct Case {
        std::string dialogue;
        std::string echo;
        std::string outcome;
        std::string numerics;
    };
    const std::string chisqv_error = "Numerics Error in routine chisqv\n    Invalid p parameter\n";
    const Case cases[] = {
        // A level of 0, or at the lower start bound 1e-10, or a negative
        // precision: the search cannot end.
        {"\n\n\n0\n\n", echo("33.00", "23", "2", "0.000000", "0.0000000100"), kNoPrecision, ""},
        {"\n\n\n1e-10\n\n", echo("33.00", "23", "2", "0.000000", "0.0000000100"), kNoPrecision, ""},
        {"\n\n\n\n-1e-9\n", echo("33.00", "23", "2", "0.050000", "-0.0000000010"), kNoPrecision,
         ""},
        // One chromosome, no length, level 0.9: alpha_n ends near 0.9, where
        // 1 - 2 alpha_n is no probability.
        {"0\n1\n\n0.9\n\n", echo("0.00", "1", "2", "0.900000", "0.0000000100"), kFailed,
         chisqv_error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialogue);
        std::filesystem::remove(results_path_);
        // The record keeps the values: the next dialogue offers them, and
        // Enter everywhere repeats the calculation.
        const Run r = run("s\n" + c.dialogue + "\n" + kEnterFive + "e\n");
        EXPECT_EQ(count(r.console, c.outcome + kContinueQuestion + kClosingLine), 2u);
        EXPECT_EQ(count(r.console, "Results:"), 0u);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.numerics, c.numerics + c.numerics);
        EXPECT_EQ(results(), kHeaderBlock + c.echo + c.outcome + kClosingLine + c.echo + c.outcome +
                                 kClosingLine);
    }
}

TEST_F(Session, APrecisionOfZeroStillEnds) {
    const Run r = run("\n\n\n\n\n0\ne\n");
    EXPECT_NE(r.console.find("Precision\t\t\t\t[0.0000000100]\t: " + kDefaultResults),
              std::string::npos);
}

TEST_F(Session, AResultsFileThatCannotBeWrittenIsReportedAndTheRunGoesOn) {
    // A directory of the file's name cannot be opened for appending, even by
    // root; every block is tried again and reported again.
    std::filesystem::create_directory(results_path_);
    const Run r = run("s\n" + kEnterFive + "e\n");
    EXPECT_EQ(r.console, kBanner + kDefaults + kDefaultResults + kContinueQuestion + kClosingLine);
    const std::string line = "Could not save to " + results_path_ + ": Is a directory\n";
    EXPECT_EQ(r.errors, line + line + line);

    // A full device takes nothing: each of the three blocks fails on writing.
    const Run full = run_with("s\n" + kEnterFive + "e\n", "/dev/full");
    EXPECT_EQ(full.console, r.console);
    const std::string no_space = "Could not save to /dev/full: No space left on device\n";
    EXPECT_EQ(full.errors, no_space + no_space + no_space);
}

}  // namespace
}  // namespace lodthresh
