// The command line, run in the process on temporary files: options and their
// errors, lists and names, batch files, formats, statuses and exit codes, and
// its values against the dialogue's and the exact method's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/run_cli.h"
#include "console/driver.h"
#include "support/memory_streams.h"
#include "support/temp_dir.h"
#include "threshold/exact.h"
#include "threshold/threshold.h"

namespace lodthresh {
namespace {

using testing::InputStream;
using testing::OutputStream;

TEST(CommandLine, AUsageErrorNamesTheOptionAndTheValueAndWritesNoRow) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--chromosomes=2.5"}, "--chromosomes: '2.5' is not a whole number"},
        {{"-C", "0"}, "--chromosomes: '0' is not at least 1"},
        {{"-G", "0"}, "--length: '0' is not above 0"},
        {{"-G", "33,"}, "--length: '' is not a number"},
        {{"-G", "1e999"}, "--length: '1e999' is not a finite number"},
        {{"-r", "cousin"},
         "--rate: 'cousin' is neither a number nor a mapping method (see --help)"},
        {{"--alpha", "1"}, "--alpha: '1' is not between 0 and 1 (for 1, say 'suggestive')"},
        {{"-a", "huge"}, "--alpha: 'huge' is neither a number nor a level name (see --help)"},
        {{"-e", "-1"}, "--precision: '-1' is below 0"},
        {{"-a", "0.01,0.1", "-e", "0.05"}, "--precision: 0.05 is not below the alpha 0.01"},
        {{"-a", "1e-9"}, "--precision: 1e-08 is not below the alpha 1e-09 (the default)"},
        {{"-f", "xml"}, "--format: 'xml' is not one of text, tsv, csv, json"},
        {{"--batch", "-", "-G", "10"}, "--length: not with --batch, whose lines give it"},
        {{"-x", "-e", "0"}, "--precision: not with --exact, which uses none"},
        {{"--frobnicate"}, "unrecognized option '--frobnicate'"},
        {{"-q"}, "unrecognized option '-q'"},
        {{"--exact=yes"}, "--exact: takes no value"},
        {{"--alpha"}, "--alpha: needs a value"},
        {{"-x", "extra"}, "unexpected argument 'extra'"},
    };
    for (const auto& c : cases) {
        const Outcome o = run_cli(c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_EQ(o.out, "") << c.message;
        EXPECT_EQ(o.err, std::string("lodthresh: ") + c.message + "\nTry 'lodthresh --help'.\n");
    }
}

TEST(CommandLine, ListsGiveEveryCombinationWithTheLaterOptionsVaryingFaster) {
    const Outcome o = run_cli({"-f", "tsv", "-G", "10,20", "-C", "5,6", "-r", "1",
                               "--alpha=0.05,0.01", "-e", "1e-8,1e-9"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 1u + 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::vector<std::string> expected = {
            i / 8 ? "20" : "10",         i / 4 % 2 ? "6" : "5",     "1", "",
            i / 2 % 2 ? "0.01" : "0.05", i % 2 ? "1e-09" : "1e-08", "ok"};
        EXPECT_EQ(std::vector<std::string>(rows[1 + i].begin(), rows[1 + i].begin() + 7), expected)
            << i;
    }
}

TEST(CommandLine, AllIsEveryMappingMethodAndEveryLevelName) {
    const Outcome o = run_cli({"-f", "tsv", "-x", "-r", "all", "-a", "all"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 22u);
    const char* methods[][2] = {{"lod-score", "1"},
                                {"sibs", "2"},
                                {"grandparent-grandchild", "1"},
                                {"uncle-nephew", "2.5"},
                                {"first-cousin", "2.67"},
                                {"first-cousin-once-removed", "2.86"},
                                {"second-cousin", "3.2"}};
    const char* levels[] = {"1", "0.05", "0.001"};
    for (std::size_t i = 0; i < 21; ++i) {
        EXPECT_EQ(rows[1 + i][2], methods[i / 3][1]);
        EXPECT_EQ(rows[1 + i][3], methods[i / 3][0]);
        EXPECT_EQ(rows[1 + i][4], levels[i % 3]);
        EXPECT_EQ(rows[1 + i][5], "");  // the exact method uses no precision
    }
}

TEST(CommandLine, TheStandardMethodPrintsTheDialoguesValuesAndTheExactOneEveryBit) {
    const struct {
        const char* length;
        const char* chromosomes;
        const char* rate;
        const char* alpha;
    } cases[] = {{"33", "23", "2", "0.05"}, {"100", "50", "3.2", "0.001"}, {"1", "1", "1", "0.1"}};
    for (const auto& c : cases) {
        const auto standard = table(
            run_cli({"-f", "tsv", "-G", c.length, "-C", c.chromosomes, "-r", c.rate, "-a", c.alpha})
                .out);
        // The same five values typed into the dialogue.
        const InputStream keys(std::string("\n") + c.length + "\n" + c.chromosomes + "\n" + c.rate +
                               "\n" + c.alpha + "\n\ne\n");
        OutputStream console;
        OutputStream errors;
        run(keys.get(), console.get(), errors.get(), "/nonexistent/veskLOD.res");
        const std::string dialogue = console.text();
        const char* formats[] = {"%.10lf", "%lf", "%lf", "%lf", "%lf", "%lf"};
        for (std::size_t i = 0; i < 6; ++i) {
            char printed[64];
            std::snprintf(printed, sizeof printed, formats[i],
                          std::strtod(standard[1][7 + i].c_str(), nullptr));
            EXPECT_NE(dialogue.find(std::string("= ") + printed), std::string::npos)
                << c.length << " " << printed;
        }

        const auto exact = table(run_cli({"-f", "tsv", "-x", "-G", c.length, "-C", c.chromosomes,
                                          "-r", c.rate, "-a", c.alpha})
                                     .out);
        const ThresholdResult r =
            compute_thresholds_exact({std::atof(c.length), std::atof(c.chromosomes),
                                      std::atof(c.rate), std::atof(c.alpha), 0.0});
        const double values[] = {r.nominal_alpha, r.lod_dense, r.lod_10cm,
                                 r.lod_5cm,       r.lod_2cm,   r.lod_1cm};
        for (std::size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(std::strtod(exact[1][7 + i].c_str(), nullptr), values[i]);
        }
    }
}

TEST(CommandLine, ARowWithoutAResultSaysWhyAndEndsWithStatusOne) {
    const struct {
        std::vector<std::string> arguments;
        const char* status;
        const char* words;
    } cases[] = {
        {{"-a", "5e-11", "-e", "0"}, "precision-not-reached", "the precision cannot be reached"},
        {{"-G", "0.5", "-C", "1", "-a", "suggestive"},
         "calculation-failed",
         "the calculation failed"},
        {{"-x", "-G", "0.5", "-C", "1", "-a", "suggestive"},
         "no-solution",
         "no nominal level reaches this alpha"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> tsv = c.arguments;
        tsv.insert(tsv.end(), {"-f", "tsv"});
        const Outcome o = run_cli(tsv);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(table(o.out)[1][6], c.status);
        EXPECT_EQ(table(o.out)[1][7], "");
        const Outcome text = run_cli(c.arguments);
        EXPECT_NE(text.out.find(std::string("no result: ") + c.words), std::string::npos);
    }
    // The numerics library's own message still reaches the error stream.
    EXPECT_EQ(run_cli({"-G", "0.5", "-C", "1", "-a", "suggestive"}).err,
              "Numerics Error in routine chisqv\n    Invalid p parameter\n");
}

TEST(CommandLine, TextIsAlignedForPeople) {
    const Outcome standard = run_cli({"-r", "sibs"});
    EXPECT_EQ(standard.out,
              "  length  chromosomes   rate  mapping                     alpha  precision  "
              "nominal_alpha  lod_dense   lod_10cm    lod_5cm    lod_2cm    lod_1cm\n"
              "      33           23      2  sibs                         0.05      1e-08      "
              "2.252e-05     3.6147     2.8918     3.0725     3.2532     3.3617\n");
    const Outcome exact = run_cli({"-x"});
    EXPECT_NE(exact.out.find("      2.252e-05   3.614691   2.891753   3.072488   3.253222   "
                             "3.361663\n"),
              std::string::npos)
        << exact.out;
}

TEST(CommandLine, ABatchGivesARowPerGoodLineAndReportsEachBadOne) {
    const std::string batch =
        "# G C rho alpha [epsilon]\n"
        "33 23 sibs 0.05\n"
        "\n"
        "33\t23.5 2 0.05\n"
        "   # an indented comment\n"
        "10 5 3.2 highly-significant 1e-9\r\n"
        "10 5 3.2\n"
        "1 1 1 0.1 0.2\n"
        "33 23 1 suggestive";  // no line end
    const Outcome o = run_cli({"--batch", "-", "-f", "csv", "-e", "1e-7"}, batch);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err,
              "lodthresh: (standard input):4: chromosomes: '23.5' is not a whole number\n"
              "lodthresh: (standard input):7: expected 4 or 5 fields (length chromosomes rate "
              "alpha [precision]), found 3\n"
              "lodthresh: (standard input):8: precision: 0.2 is not below the alpha 0.1\n");
    std::istringstream lines(o.out);
    std::vector<std::string> starts;
    for (std::string line; std::getline(lines, line);) {
        starts.push_back(line.substr(0, line.find(",ok,")));
    }
    EXPECT_EQ(starts, (std::vector<std::string>{
                          "length,chromosomes,rate,mapping,alpha,precision,status,nominal_alpha,"
                          "lod_dense,lod_10cm,lod_5cm,lod_2cm,lod_1cm",
                          "33,23,2,sibs,0.05,1e-07", "10,5,3.2,,0.001,1e-09", "33,23,1,,1,1e-07"}));
}

TEST(CommandLine, TheExactMethodChecksNoPrecisionOfABatch) {
    // The default precision 1e-8 is above these levels; the exact method
    // does not use it.
    const Outcome o = run_cli({"--batch", "-", "-x", "-f", "tsv"},
                              "33 23 2 1e-9\n33 23 2 1e-12 0.5\n33 23 2 0.05 x\n");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "lodthresh: (standard input):3: precision: 'x' is not a number\n");
    ASSERT_EQ(table(o.out).size(), 3u);
    EXPECT_EQ(table(o.out)[2][6], "ok");
}

TEST(CommandLine, ABatchFileThatCannotBeReadEndsWithStatusTwo) {
    const testing::TempDir dir;
    const Outcome missing = run_cli({"--batch", dir.file("none")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "lodthresh: " + dir.file("none") + ": No such file or directory\n");
    const Outcome directory = run_cli({"--batch", dir.path().string()});
    EXPECT_EQ(directory.status, 2);
    EXPECT_EQ(directory.err, "lodthresh: " + dir.path().string() + ": Is a directory\n");
    EXPECT_EQ(missing.out + directory.out, "");
}

TEST(CommandLine, ABatchWithoutRowsStillGivesAWholeDocument) {
    EXPECT_EQ(run_cli({"--batch", "-", "-f", "json"}, "# nothing\n").out, "[]\n");
    const Outcome tsv = run_cli({"--batch=-", "-f", "tsv"}, "");
    EXPECT_EQ(tsv.status, 0);
    EXPECT_EQ(table(tsv.out).size(), 1u);
}

TEST(CommandLine, HelpFitsEightyColumnsAndVersionNamesTheProgram) {
    const Outcome help = run_cli({"--help"});
    EXPECT_EQ(help.status, 0);
    std::istringstream lines(help.out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_LE(line.size(), 80u) << line;
    }
    EXPECT_GT(count, 20);
    const Outcome version = run_cli({"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("lodthresh ", 0), 0u);
}

}  // namespace
}  // namespace lodthresh
