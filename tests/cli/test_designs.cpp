// The designs mode of the command line: its options and their errors, the
// order and fields of its rows, batch lines with designs, and maps.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "simulation/null_scan.h"
#include "support/temp_dir.h"
#include "threshold/design.h"
#include "threshold/threshold.h"

namespace lodthresh {
namespace {

const std::vector<std::string> kFields = {"length", "chromosomes",   "map",   "design",
                                          "tail",   "rate",          "alpha", "spacing_cm",
                                          "status", "nominal_alpha", "lod"};

TEST(Designs, AUsageErrorNamesTheOptionAndWritesNoRow) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--design", "f2"}, "--design: 'f2' is not a design (see --help)"},
        {{"--tail", "left"}, "--tail: 'left' is not one of one-sided, two-sided, 2df"},
        {{"--spacing", "-1"}, "--spacing: '-1' is below 0"},
        {{"--spacing", "1,x"}, "--spacing: 'x' is not a number"},
        {{"--spacing", "1", "-r", "f2"},
         "--rate: 'f2' is neither a number nor a design (see --help)"},
        {{"--design", "sibs", "-r", "2"},
         "--design: not with --rate; a design of one's own is a --rate with a --tail"},
        {{"--design", "sibs", "--tail", "2df"},
         "--tail: not with --design, whose designs have their own tails"},
        {{"--design", "sibs", "--batch", "-"}, "--design: not with --batch, whose lines give it"},
        {{"--map", "m.csv", "-G", "16"}, "--length: not with --map, whose markers give it"},
        {{"--map", "m.csv", "-C", "20"}, "--chromosomes: not with --map, whose markers give it"},
        {{"--map", "m.csv", "--spacing", "1"}, "--spacing: not with --map, whose markers give it"},
        {{"--map", "m.csv", "--batch", "-"}, "--batch: not with --map, whose markers give it"},
        {{"--spacing", "1", "-e", "1e-8"},
         "--precision: not with --design, --tail, --spacing or --map, which solve without one"},
        {{"--seed", "1"}, "--seed: only with --simulate"},
        {{"--spacing", "1", "--threads", "2"}, "--threads: only with --simulate"},
        {{"--simulate", "1000"},
         "--simulate: simulates the designs mode's rows: add --design or --spacing"},
        {{"-G", "16", "--simulate", "1000", "--seed", "3"},
         "--simulate: simulates the designs mode's rows: add --design or --spacing"},
        {{"--spacing", "1", "--simulate", "0"}, "--simulate: '0' is not at least 100"},
        {{"--spacing", "1", "--simulate", "99"}, "--simulate: '99' is not at least 100"},
        {{"--spacing", "1", "--simulate", "1e5"}, "--simulate: '1e5' is not a whole number"},
        {{"--spacing", "1", "--simulate", "100", "--seed", "-1"},
         "--seed: '-1' is not a whole number"},
        {{"--spacing", "1", "--simulate", "100", "--seed", "99999999999999999999"},
         "--seed: '99999999999999999999' is too large"},
        {{"--spacing", "1", "--simulate", "100", "--threads", "0"},
         "--threads: '0' is not at least 1"},
        // The dense map keeps two grids' maxima, 16 bytes a replicate.
        {{"--spacing", "5,0", "--simulate", "134217729"},
         "--simulate: 134217729 replicates of 16 bytes are above the bound of 2048 MiB"},
    };
    for (const auto& c : cases) {
        const Outcome o = run_cli(c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_EQ(o.out, "") << c.message;
        EXPECT_EQ(o.err, std::string("lodthresh: ") + c.message + "\nTry 'lodthresh --help'.\n");
    }
}

// Without these options the mapping methods are all that -r names.
TEST(Designs, NamesBeyondTheMappingMethodsOnlyInThisMode) {
    EXPECT_EQ(run_cli({"-r", "backcross"}).status, 2);
    const Outcome o = run_cli({"-r", "backcross,2", "--tail", "two-sided", "-f", "tsv"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], kFields);
    // A design keeps its own tail; the number takes --tail's.
    EXPECT_EQ(std::vector<std::string>(rows[1].begin() + 3, rows[1].begin() + 6),
              (std::vector<std::string>{"backcross", "two-sided", "1"}));
    EXPECT_EQ(std::vector<std::string>(rows[2].begin() + 3, rows[2].begin() + 6),
              (std::vector<std::string>{"", "two-sided", "2"}));
}

TEST(Designs, RowsVaryGenomeDesignLevelAndSpacingWithTheLaterFaster) {
    const Outcome o = run_cli({"-f", "tsv", "-G", "16,33", "--design", "backcross,intercross", "-a",
                               "suggestive,0.05", "--spacing", "0,10", "-C", "20"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 1u + 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::vector<std::string> expected = {i / 8 ? "33" : "16",
                                                   "20",
                                                   "",
                                                   i / 4 % 2 ? "intercross" : "backcross",
                                                   i / 4 % 2 ? "2df" : "two-sided",
                                                   i / 4 % 2 ? "1.5" : "1",
                                                   i / 2 % 2 ? "0.05" : "1",
                                                   i % 2 ? "10" : "0",
                                                   "ok"};
        EXPECT_EQ(std::vector<std::string>(rows[1 + i].begin(), rows[1 + i].begin() + 9), expected)
            << i;
    }
}

TEST(Designs, ValuesAreTheLibrarysEveryBit) {
    const Outcome o =
        run_cli({"-f", "tsv", "-G", "16", "-C", "20", "--design", "backcross", "--spacing", "10"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    const DesignThreshold expected =
        design_threshold(even_scan(16, 20, 0.1), Tail::two_sided, 1.0, 0.05);
    EXPECT_EQ(std::stod(rows[1][9]), expected.nominal_alpha);
    EXPECT_EQ(std::stod(rows[1][10]), expected.lod);
}

TEST(Designs, EveryFormatAndAMissingResult) {
    // One short chromosome never expects a false positive per scan.
    const std::vector<std::string> arguments = {"-G",        "0.5", "-C", "1",
                                                "--spacing", "0",   "-a", "suggestive,0.05"};
    const struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"csv",
         "length,chromosomes,map,design,tail,rate,alpha,spacing_cm,status,nominal_alpha,lod\n"
         "0.5,1,,,one-sided,2,1,0,no-solution,,\n"},
        {"json",
         "[\n  {\"length\": 0.5, \"chromosomes\": 1, \"map\": null, \"design\": null, \"tail\": "
         "\"one-sided\", \"rate\": 2, \"alpha\": 1, \"spacing_cm\": 0, \"status\": "
         "\"no-solution\", \"nominal_alpha\": null, \"lod\": null},"},
        {"text",
         "  length  chromosomes  design                     tail        rate   alpha  spacing_cm  "
         "nominal_alpha      lod  map\n"
         "     0.5            1  -                          one-sided      2       1           0  "
         "no result: no nominal level reaches this alpha\n"
         "     0.5            1  -                          one-sided      2    0.05           0  "
         "    3.137e-03    1.622\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> with_format = arguments;
        with_format.insert(with_format.end(), {"-f", c.format});
        const Outcome o = run_cli(with_format);
        EXPECT_EQ(o.status, 1) << c.format;
        EXPECT_EQ(o.out.substr(0, std::string(c.expected).size()), c.expected) << c.format;
    }
}

TEST(Designs, BatchLinesNameDesignsAndEachGivesARowPerSpacing) {
    const Outcome o = run_cli({"--batch", "-", "--spacing", "0,5", "--tail", "2df", "-f", "tsv"},
                              "# length chromosomes rate alpha\n"
                              "16 20 backcross 0.05\n"
                              "16 20 1.5 suggestive 1e-8\n"
                              "16 20 nonsense 0.05\n"
                              "16 20 1\n");
    EXPECT_EQ(o.status, 1);
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 1u + 4u);
    EXPECT_EQ(rows[1][4], "two-sided");
    EXPECT_EQ(rows[2][7], "5");
    EXPECT_EQ(rows[3][4], "2df");
    EXPECT_EQ(rows[3][6], "1");
    EXPECT_EQ(o.err,
              "lodthresh: (standard input):4: rate: 'nonsense' is neither a number nor a design "
              "(see --help)\n"
              "lodthresh: (standard input):5: expected 4 or 5 fields (length chromosomes rate "
              "alpha [precision]), found 3\n");
}

TEST(Designs, AMapGivesItsLengthChromosomesAndPath) {
    const testing::TempDir dir;
    const std::string path = dir.file("gmap.csv");
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::fputs("marker,chr,pos\na,1,0\nb,1,10\nc,1,20\nd,2,0\ne,2,10\nf,3,50\n", file);
    std::fclose(file);
    const Outcome o = run_cli({"--map", path, "--design", "backcross", "-a", "all", "-f", "tsv"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(rows[1].begin(), rows[1].begin() + 9),
              (std::vector<std::string>{"0.30000000000000004", "3", path, "backcross", "two-sided",
                                        "1", "1", "", "ok"}));
}

// People read the text format: a map's length (its intervals summed, here
// 0.30000000000000004) to 6 significant digits; every design's name in its
// column, the rows aligned.
TEST(Designs, TheTextFormatIsForReading) {
    const testing::TempDir dir;
    const std::string path = dir.file("gmap.csv");
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::fputs("marker,chr,pos\na,1,0\nb,1,10\nc,1,20\nd,2,0\ne,2,10\nf,3,50\n", file);
    std::fclose(file);
    const Outcome map = run_cli({"--map", path, "--design", "backcross"});
    ASSERT_EQ(map.status, 0) << map.err;
    EXPECT_NE(map.out.find("\n     0.3            3  backcross "), std::string::npos) << map.out;
    const Outcome o = run_cli({"--design", "first-cousin-once-removed,backcross"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto tail_at = [](const std::string& line) {
        return line.find("one-sided") != std::string::npos ? line.find("one-sided")
                                                           : line.find("two-sided");
    };
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = o.out.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(o.out.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(tail_at(lines[1]), lines[0].find("tail"));
    EXPECT_EQ(tail_at(lines[2]), lines[0].find("tail"));
}

// The designs mode simulates the rows it computes, the default dense map
// included; a spacing longer than the chromosomes is computed, with a warning.
TEST(Designs, SimulatesTheDefaultMapAndWarnsOfASpacingBeyondTheChromosomes) {
    const Outcome dense = run_cli({"--design", "backcross", "--simulate", "400", "-f", "tsv"});
    ASSERT_EQ(dense.status, 0) << dense.err;
    const auto rows = table(dense.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][7], "0");
    EXPECT_FALSE(rows[1][11].empty());
    const Outcome wide =
        run_cli({"-G", "16", "-C", "20", "--design", "backcross", "--spacing", "10,1000,90"});
    ASSERT_EQ(wide.status, 0) << wide.err;
    EXPECT_EQ(wide.err,
              "lodthresh: warning: --spacing 1000 cM exceeds the chromosome length G/C = 80 cM: "
              "each chromosome has markers only at its ends\n"
              "lodthresh: warning: --spacing 90 cM exceeds the chromosome length G/C = 80 cM: "
              "each chromosome has markers only at its ends\n");
    EXPECT_EQ(table(run_cli({"-G", "16", "-C", "20", "--design", "backcross", "--spacing",
                             "10,1000,90", "-f", "tsv"})
                        .out)
                  .size(),
              4u);
}

// A map's X chromosome is left out with a warning, and --omit-chromosomes
// leaves out others: the rows are those of the map without them.
TEST(Designs, AMapLeavesOutItsXChromosomeAndTheChromosomesNamed) {
    const testing::TempDir dir;
    const auto write = [&dir](const char* name, const char* text) {
        const std::string path = dir.file(name);
        std::FILE* file = std::fopen(path.c_str(), "w");
        std::fputs(text, file);
        std::fclose(file);
        return path;
    };
    const std::string with_x =
        write("x.csv", "marker,chr,pos\na,1,0\nb,1,50\nc,X,0\nd,X,40\ne,2,0\nf,2,30\n");
    const std::string without = write("no_x.csv", "marker,chr,pos\na,1,0\nb,1,50\ne,2,0\nf,2,30\n");
    const std::string one = write("one.csv", "marker,chr,pos\na,1,0\nb,1,50\n");
    const auto values = [](const Outcome& o) {
        auto rows = table(o.out);
        for (auto& row : rows) {
            row.erase(row.begin() + 2);  // the map's path
        }
        return rows;
    };
    const Outcome x = run_cli({"--map", with_x, "--design", "backcross", "-f", "tsv"});
    ASSERT_EQ(x.status, 0) << x.err;
    EXPECT_EQ(x.err, "lodthresh: warning: " + with_x +
                         ": chromosome X is left out and its threshold not computed: the X "
                         "chromosome's test differs by design and cross direction\n");
    EXPECT_EQ(values(x), values(run_cli({"--map", without, "--design", "backcross", "-f", "tsv"})));
    const Outcome omitted = run_cli(
        {"--map", without, "--design", "backcross", "--omit-chromosomes", "2", "-f", "tsv"});
    ASSERT_EQ(omitted.status, 0) << omitted.err;
    EXPECT_EQ(values(omitted),
              values(run_cli({"--map", one, "--design", "backcross", "-f", "tsv"})));
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } bad[] = {
        {{"--map", without, "--omit-chromosomes", "2,7"},
         "--omit-chromosomes: '7' is no chromosome of " + without},
        {{"--map", without, "--omit-chromosomes", "1,2"},
         "--map: " + without + " has no chromosome left to scan"},
        {{"--design", "backcross", "--omit-chromosomes", "1"},
         "--omit-chromosomes: only with --map"},
    };
    for (const auto& c : bad) {
        const Outcome o = run_cli(c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, "lodthresh: " + c.message + "\nTry 'lodthresh --help'.\n");
    }
}

// The text format once cut a cell at 63 characters: a map's long path lost its
// end.
TEST(Designs, TheTextFormatShowsALongMapPathWhole) {
    const testing::TempDir dir;
    const std::string path = dir.file(std::string(80, 'm') + ".csv");
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::fputs("marker,chr,pos\na,1,0\nb,1,10\n", file);
    std::fclose(file);
    const Outcome o = run_cli({"--map", path, "--design", "backcross"});
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string end = "  " + path + "\n";
    ASSERT_GT(o.out.size(), end.size());
    EXPECT_EQ(o.out.substr(o.out.size() - end.size()), end);
}

TEST(Designs, ABadMapReportsEachLineAndAnUnreadableOrEmptyOneExitsWithTwo) {
    const testing::TempDir dir;
    const std::string bad = dir.file("bad.map");
    const std::string empty = dir.file("empty.map");
    std::FILE* file = std::fopen(bad.c_str(), "w");
    std::fputs("1 a 0 1\n1 b x 2\n1 c 3\n", file);
    std::fclose(file);
    std::fclose(std::fopen(empty.c_str(), "w"));
    const struct {
        std::string path;
        int status;
        std::string err;
    } cases[] = {
        {bad, 1,
         "lodthresh: " + bad + ":2: position 'x' is not a number\nlodthresh: " + bad +
             ":3: expected 4 fields (chr id cM bp), found 3\n"},
        {empty, 2, "lodthresh: " + empty + ": no marker\n"},
        {dir.file("none.map"), 2,
         "lodthresh: " + dir.file("none.map") + ": No such file or directory\n"},
        {dir.path().string(), 2, "lodthresh: " + dir.path().string() + ": Is a directory\n"},
    };
    for (const auto& c : cases) {
        const Outcome o = run_cli({"--map", c.path});
        EXPECT_EQ(o.status, c.status) << c.path;
        EXPECT_EQ(o.out, "") << c.path;
        EXPECT_EQ(o.err, c.err);
    }
}

// One set of replicates per design and spacing, from the seed's own stream:
// the bytes do not depend on the threads, and a row's values not on the
// other rows asked for.
TEST(Designs, ASimulationDependsOnTheSeedAlone) {
    const std::vector<std::string> arguments = {
        "-G", "16", "-C", "20", "-a", "all", "--spacing", "5", "--simulate", "20000", "-f", "tsv"};
    std::vector<std::string> rows_by_threads;
    for (const char* threads : {"1", "2", "4"}) {
        std::vector<std::string> with_threads = arguments;
        with_threads.insert(with_threads.end(),
                            {"--design", "backcross,intercross", "--threads", threads});
        const Outcome o = run_cli(with_threads);
        ASSERT_EQ(o.status, 0) << o.err;
        rows_by_threads.push_back(o.out);
    }
    EXPECT_EQ(rows_by_threads[0], rows_by_threads[1]);
    EXPECT_EQ(rows_by_threads[0], rows_by_threads[2]);
    std::vector<std::string> intercross_alone = arguments;
    intercross_alone.insert(intercross_alone.end(), {"--design", "intercross"});
    const auto alone = table(run_cli(intercross_alone).out);
    const auto both = table(rows_by_threads[0]);
    ASSERT_EQ(both.size(), 7u);
    ASSERT_EQ(both[0].size(), kFields.size() + 4);
    EXPECT_EQ(both[0].back(), "sim_level_se");
    for (std::size_t i = 1; i < alone.size(); ++i) {
        EXPECT_EQ(alone[i], both[3 + i]);
    }
    std::vector<std::string> other_seed = arguments;
    other_seed.insert(other_seed.end(), {"--design", "intercross", "--seed", "7"});
    EXPECT_NE(table(run_cli(other_seed).out)[1][11], alone[1][11]);
}

// The help and the text output name the seed that a run without --seed uses.
TEST(Designs, TheDefaultSeedIsTheLibrarysInTheHelpAndTheTextOutput) {
    const std::string seed = std::to_string(simulation::kDefaultSeed);
    EXPECT_NE(run_cli({"--help"}).out.find("seed (default " + seed + ")"), std::string::npos);
    const Outcome o = run_cli({"--design", "backcross", "--spacing", "20", "--simulate", "100"});
    EXPECT_EQ(o.out.substr(0, o.out.find('\n')),
              "# simulated: 100 null scans of each design and spacing, seed " + seed);
}

TEST(Designs, ASimulatedThresholdIsMissingWithTooFewReplicatesAboveIt) {
    // 1000 replicates expect 1 above the 0.001 threshold: too few for its
    // quantile, while the level of the formula's threshold is still counted.
    const Outcome o = run_cli({"--design", "backcross", "-G", "16", "-C", "20", "--spacing", "10",
                               "-a", "0.05,0.001", "--simulate", "1000", "-f", "tsv"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_NE(rows[1][11], "");
    EXPECT_EQ(rows[2][11], "");
    EXPECT_EQ(rows[2][12], "");
    EXPECT_NE(rows[2][13], "");
}

}  // namespace
}  // namespace lodthresh
