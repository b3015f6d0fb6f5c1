// Genetic maps: both layouts, what a map's scan is, and every kind of bad line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "threshold/design.h"
#include "threshold/genetic_map.h"

namespace lodthresh {
namespace {

// A qtl2 gmap.csv with `chromosomes` chromosomes of markers every `spacing_cm`
// from 0 to `length_cm`.
std::string even_gmap(int chromosomes, int markers, double spacing_cm) {
    std::string text = "marker,chr,pos\n";
    for (int c = 1; c <= chromosomes; ++c) {
        for (int m = 0; m < markers; ++m) {
            text += "m" + std::to_string(c) + "_" + std::to_string(m) + "," + std::to_string(c) +
                    "," + std::to_string(m * spacing_cm) + "\n";
        }
    }
    return text;
}

TEST(GeneticMap, EvenlySpacedMapGivesTheThresholdOfItsSpacing) {
    // 20 chromosomes of 80 cM with markers every 10 cM: G = 16 Morgan.
    const MapReading reading = read_genetic_map(even_gmap(20, 9, 10.0));
    ASSERT_TRUE(reading.errors.empty());
    EXPECT_NEAR(map_length(reading.map), 16.0, 1e-12);
    for (const Tail tail : {Tail::one_sided, Tail::two_sided, Tail::two_df}) {
        for (const double alpha : {1.0, 0.05, 0.001}) {
            const DesignThreshold from_map =
                design_threshold(map_scan(reading.map), tail, 1.0, alpha);
            const DesignThreshold even = design_threshold(even_scan(16, 20, 0.1), tail, 1.0, alpha);
            EXPECT_NEAR(from_map.lod, even.lod, 1e-12 * even.lod) << tail_name(tail) << alpha;
            EXPECT_NEAR(from_map.nominal_alpha, even.nominal_alpha, 1e-11 * even.nominal_alpha);
        }
    }
}

TEST(GeneticMap, ReadsPlinkMapsAndSkipsMarkedMarkersCommentsAndBlankLines) {
    const std::string plink =
        "# chr id cM bp\n"
        "1 rs1 0 1000\r\n"
        "\n"
        "1\trs2\t5.5\t2000\n"
        "1 rs3 7 -3000\n"  // a negative bp: left out, so the order does not matter
        "X rs4 3 100\n"
        "1 rs5 12.5 4000\n";
    const MapReading reading = read_genetic_map(plink);
    ASSERT_TRUE(reading.errors.empty()) << reading.errors[0].reason;
    ASSERT_EQ(reading.map.chromosomes.size(), 2u);
    EXPECT_EQ(reading.map.chromosomes[0].name, "1");
    EXPECT_EQ(reading.map.chromosomes[0].positions, (std::vector<double>{0.0, 0.055, 0.125}));
    EXPECT_EQ(reading.map.chromosomes[1].name, "X");
    const Scan scan = map_scan(reading.map);
    EXPECT_EQ(scan.chromosomes, 2.0);  // X has one marker: an end term and no interval
    ASSERT_EQ(scan.stretches.size(), 2u);
    EXPECT_NEAR(map_length(reading.map), 0.125, 1e-17);
}

TEST(GeneticMap, ReadsQuotedQtl2Fields) {
    const MapReading reading =
        read_genetic_map("\"marker\",\"chr\",\"pos\"\n\"a\",\"19\",\"3.25\"\n\"b\",\"19\",4\n");
    ASSERT_TRUE(reading.errors.empty());
    EXPECT_EQ(reading.map.chromosomes[0].name, "19");
    EXPECT_EQ(reading.map.chromosomes[0].positions.size(), 2u);
}

TEST(GeneticMap, EachBadLineIsReportedAndEmptiesTheMap) {
    const struct {
        const char* text;
        long line;
        const char* reason;
    } cases[] = {
        {"marker,chr,pos\nm,1\n", 2, "expected 3 fields (marker,chr,pos), found 2"},
        {"marker,chr,pos\nm,,4\n", 2, "the chromosome is empty"},
        {"marker,chr,pos\nm,1,NA\n", 2, "position 'NA' is not a number"},
        {"marker,chr,pos\nm,1,inf\n", 2, "position 'inf' is not a finite number"},
        {"1 rs1 0 100\n1 rs2 5\n", 2, "expected 4 fields (chr id cM bp), found 3"},
        {"1 rs1 0 12x\n", 1, "bp '12x' is not a number"},
        {"# header\n1 rs1 zero 100\n", 2, "position 'zero' is not a number"},
        // R/qtl csv: the rows of chromosomes and positions under the names.
        {"id,m1,m2\n,1\n,0,5\n", 2, "expected 3 fields, as the header of names, found 2"},
        {"id,m1,m2\n,1,\n,0,5\n", 2,
         "the chromosome of the marker in column 3 ('m2') is empty (the phenotypes come first)"},
        {"id,m1\n,1\n", 2, "no row of positions follows the chromosomes"},
        {"id,m1\n,1\n7,A\n", 3,
         "this is no row of positions: the phenotype's cell in column 1 ('id') holds '7' (a "
         "file without positions gives no map)"},
        {"id,m1,m2\n,1,1\n,0,x\n", 3,
         "the marker in column 3 ('m2'): position 'x' is not a number"},
        {"id,m1,m2\n,1,1\n,0\n", 3, "expected 3 fields, as the header of names, found 2"},
        // R/qtl csvr: a row per phenotype or marker.
        {"id,,,1\nm1,1\n", 2, "expected at least 3 fields (name,chr,pos, then genotypes), found 2"},
        {"id,,,1\nsex,,0,1\n", 2,
         "'sex' has a position but no chromosome (a phenotype's row has neither)"},
        {"id,,,1\nm1,1,NA,A\n", 2, "position 'NA' is not a number"},
        // Three columns, with a header or without.
        {"marker chr pos\nm 1\n", 2, "expected 3 fields (marker chr pos), found 2"},
        {"marker chr pos bp\nm 1 5\n", 2,
         "expected 4 fields (marker chr pos and 1 more, as the header), found 3"},
        {"\"chr\" \"pos\"\nm 1\n", 2, "expected 3 fields (marker chr pos), found 2"},
        {"marker chr pos\nm \"\" 5\n", 2, "the chromosome is empty"},
        {"a 1 0\nb 1\n", 2, "expected 3 fields (marker chr pos), found 2"},
        // A number makes a line no header: a PLINK marker.
        {"marker chr pos 5\n", 1, "position 'pos' is not a number"},
        // PLINK's .map of three columns.
        {"1 a 0\n1 b 5 7\n", 2, "expected 3 fields (chr id cM), found 4"},
        {"1 rs3934834 1005806\n", 1,
         "position 1005806 cM is above 10000 cM: base pairs (PLINK's --map3 layout, chr id bp), "
         "which give no genetic map"},
    };
    for (const auto& c : cases) {
        const MapReading reading = read_genetic_map(c.text);
        ASSERT_EQ(reading.errors.size(), 1u) << c.text;
        EXPECT_EQ(reading.errors[0].line, c.line) << c.text;
        EXPECT_EQ(reading.errors[0].reason, c.reason);
        EXPECT_TRUE(reading.map.chromosomes.empty()) << c.text;
    }
}

TEST(GeneticMap, EveryBadLineIsReportedInOrder) {
    const MapReading reading = read_genetic_map("1 a 0 1\n1 b x 2\n1 c 3\n1 d 4 4\n");
    ASSERT_EQ(reading.errors.size(), 2u);
    EXPECT_EQ(reading.errors[0].line, 2);
    EXPECT_EQ(reading.errors[1].line, 3);
}

TEST(GeneticMap, AFileWithoutMarkersIsAnEmptyMapWithoutErrors) {
    for (const char* text : {"", "\n# nothing\n", "marker,chr,pos\n", "1 rs1 0 -1\n"}) {
        const MapReading reading = read_genetic_map(text);
        EXPECT_TRUE(reading.errors.empty()) << text;
        EXPECT_TRUE(reading.map.chromosomes.empty()) << text;
    }
}

// The markers of `map` on the chromosomes of `reference`, chromosome by
// chromosome and marker by marker, to the bit.
void expect_same_map(const GeneticMap& map, const GeneticMap& reference, const std::string& what) {
    ASSERT_EQ(map.chromosomes.size(), reference.chromosomes.size()) << what;
    for (std::size_t c = 0; c < map.chromosomes.size(); ++c) {
        EXPECT_EQ(map.chromosomes[c].name, reference.chromosomes[c].name) << what;
        EXPECT_EQ(map.chromosomes[c].positions, reference.chromosomes[c].positions)
            << what << ", chromosome " << reference.chromosomes[c].name;
    }
}

// One map, of two chromosomes and an X of one marker, in qtl2's gmap.csv.
constexpr char kReference[] = "marker,chr,pos\na,1,0\nb,1,12.5\nc,2,3\nd,2,40.25\ne,X,7\n";

TEST(GeneticMap, EachLayoutOfAMapGivesTheSameMap) {
    const MapReading reference = read_genetic_map(kReference);
    ASSERT_TRUE(reference.errors.empty());
    const struct {
        const char* what;
        std::string text;
        MapLayout layout;
    } cases[] = {
        {"qtl2's gmap.csv with comments and quotes",
         "# Genetic map\n# nrow 5\n# ncol 3\n\"marker\",\"chr\",\"pos\"\n\"a\",\"1\",\"0\"\n"
         "\"b\",\"1\",\"12.5\"\n\"c\",\"2\",\"3\"\n\"d\",\"2\",\"40.25\"\n\"e\",\"X\",\"7\"\n",
         MapLayout::qtl2_gmap},
        {"write.csv(pull.map(cross, as.table = TRUE))",
         "\"\",\"chr\",\"pos\"\n\"a\",\"1\",0\n\"b\",\"1\",12.5\n\"c\",\"2\",3\n\"d\",\"2\",40.25\n"
         "\"e\",\"X\",7\n",
         MapLayout::qtl2_gmap},
        {"capitalised names, a further column, a quoted comma",
         "Marker,Chr,Pos,Mb\n\"a, the first\",1,0,3.5\nb,1,12.5,27\nc,2,3,8\n\"d\" , 2 ,40.25,80\n"
         "e,X,7,\n",
         MapLayout::qtl2_gmap},
        {"a byte-order mark and CR LF",
         "\xEF\xBB\xBFmarker,chr,pos\r\na,1,0\r\nb,1,12.5\r\nc,2,3\r\nd,2,40.25\r\ne,X,7\r\n",
         MapLayout::qtl2_gmap},
        {"unsorted markers", "marker,chr,pos\nb,1,12.5\na,1,0\nd,2,40.25\nc,2,3\ne,X,7\n",
         MapLayout::qtl2_gmap},
        {"three columns, blanks, no header", "a 1 0\nb  1 12.5\nc 2 3\nd 2 40.25\ne X 7\n",
         MapLayout::three_columns},
        {"three columns, tabs, a header",
         "marker\tchr\tpos\na\t1\t0\nb\t1\t12.5\nc\t2\t3\nd\t2\t40.25\ne\tX\t7\n",
         MapLayout::three_columns},
        {"write.table(pull.map(cross, as.table = TRUE))",
         "\"chr\" \"pos\"\n\"a\" \"1\" 0\n\"b 2\" \"1\" 12.5\n\"c \\\"3\\\"\" \"2\" 3\n"
         "\"d\" \"2\" 40.25\n\"e\" \"X\" 7\n",
         MapLayout::three_columns},
        {"a header in capitals and a further column",
         "MARKER CHR POS female\na 1 0 0\nb 1 12.5 15\nc 2 3 2\nd 2 40.25 50\ne X 7 9\n",
         MapLayout::three_columns},
        {"R/qtl csv",
         "id,sex,a,b,c,d,e\n,,1,1,2,2,X\n,,0,12.5,3,40.25,7\n1,0,A,H,B,-,A\n2,1,H,H,\"B\",A\n",
         MapLayout::rqtl_csv},
        {"R/qtl csv with quotes and CR LF",
         "\"id\",\"a\",\"b\",\"c\",\"d\",\"e\"\r\n\"\",\"1\",\"1\",\"2\",\"2\",\"X\"\r\n"
         "\"\",\"0\",\"12.5\",\"3\",\"40.25\",\"7\"\r\n",
         MapLayout::rqtl_csv},
        {"R/qtl csvr",
         "id,,,1,2\nsex,,,0,1\na,1,0,A,H\nb,1,12.5,H,H\nbw,,,20.5,21\nc,2,3,B,A\nd,2,40.25,A,A\n"
         "e,X,7,A,B\n",
         MapLayout::rqtl_csvr},
        {"PLINK's .map of three columns", "1 a 0\n1 b 12.5\n2 c 3\n2 d 40.25\nX e 7\n",
         MapLayout::plink_map},
        {"PLINK's .map of four columns, a marker left out",
         "1\ta\t0\t100\n1\tb\t12.5\t200\n1\tz\t99\t-5\n2\tc\t3\t50\n2\td\t40.25\t90\nX\te\t7\t4\n",
         MapLayout::plink_map},
    };
    for (const auto& c : cases) {
        const MapReading reading = read_genetic_map(c.text);
        ASSERT_TRUE(reading.errors.empty())
            << c.what << ": " << reading.errors[0].line << ": " << reading.errors[0].reason;
        EXPECT_EQ(reading.layout, c.layout) << c.what;
        expect_same_map(reading.map, reference.map, c.what);
    }
}

// Which layout a file is, from its first line (and, for R/qtl csv, its
// second; for three columns without a header, the column that repeats).
TEST(GeneticMap, TheLayoutIsToldFromTheContent) {
    const struct {
        const char* text;
        MapLayout layout;
        const char* first_chromosome;  // "" when the map is empty
    } cases[] = {
        {"", MapLayout::none, ""},
        {"# only a comment\n\n", MapLayout::none, ""},
        {"marker,chr,pos\n", MapLayout::qtl2_gmap, ""},
        {",chr,pos\nm,7,0\n", MapLayout::qtl2_gmap, "7"},
        {"id,,,1\nm,4,0,A\n", MapLayout::rqtl_csvr, "4"},
        {"id,m\n,5\n,0\n", MapLayout::rqtl_csv, "5"},
        {"marker chr pos\n", MapLayout::three_columns, ""},
        {"chr pos\nm 6 0\n", MapLayout::three_columns, "6"},
        // A line of numbers is no header: chromosome "chr", marker "pos".
        {"chr pos 5 100\n", MapLayout::plink_map, "chr"},
        // Three columns without a header: the chromosomes repeat on
        // consecutive lines,
        {"a 1 0\nb 1 5\nc 2 0\n", MapLayout::three_columns, "1"},
        {"1 a 0\n1 b 5\n2 c 0\n", MapLayout::plink_map, "1"},
        {"a b 0\nc b 5\n", MapLayout::three_columns, "b"},
        // else they are fewer than the markers,
        {"a 1 0\nb 2 5\nc 1 9\n", MapLayout::three_columns, "1"},
        {"1 a 0\n2 b 5\n1 c 9\n", MapLayout::plink_map, "1"},
        // else they read as chromosome names,
        {"rs1 1 0\n", MapLayout::three_columns, "1"},
        {"1 rs1 0\n", MapLayout::plink_map, "1"},
        {"m1 chrX 0\nm2 chrY 0\n", MapLayout::three_columns, "chrX"},
        {"MT m1 0\n", MapLayout::plink_map, "MT"},
        // else PLINK's order.
        {"a b 0\n", MapLayout::plink_map, "a"},
    };
    for (const auto& c : cases) {
        const MapReading reading = read_genetic_map(c.text);
        ASSERT_TRUE(reading.errors.empty()) << c.text << reading.errors[0].reason;
        EXPECT_EQ(reading.layout, c.layout) << c.text;
        const std::string first =
            reading.map.chromosomes.empty() ? "" : reading.map.chromosomes[0].name;
        EXPECT_EQ(first, c.first_chromosome) << c.text;
    }
}

TEST(GeneticMap, AFirstLineOfNoLayoutIsOneErrorNamingEveryLayout) {
    const struct {
        const char* text;
        long line;
    } cases[] = {
        {"# a comment\n\nm1\n", 3},            // one field
        {"1 a 0 100 x\n1 b 5 200 y\n", 1},     // five fields without a header
        {"a b\nc d\ne f\n", 1},                // two
        {"marker,chromosome,cM\nm,1,0\n", 1},  // another header
        {"id,m1,m2\n", 1},                     // names alone
        {"m1,1,0\nm2,1,5\n", 1},               // comma-separated without a header
        {"\xEF\xBB\xBF# c\r\nmarker;chr;pos\r\n", 2},
    };
    for (const auto& c : cases) {
        const MapReading reading = read_genetic_map(c.text);
        ASSERT_EQ(reading.errors.size(), 1u) << c.text;
        EXPECT_EQ(reading.errors[0].line, c.line) << c.text;
        EXPECT_EQ(reading.layout, MapLayout::none) << c.text;
        EXPECT_TRUE(reading.map.chromosomes.empty()) << c.text;
        const std::string& reason = reading.errors[0].reason;
        for (const MapLayout layout :
             {MapLayout::qtl2_gmap, MapLayout::rqtl_csv, MapLayout::rqtl_csvr, MapLayout::plink_map,
              MapLayout::three_columns}) {
            EXPECT_NE(reason.find(std::string(map_layout_name(layout)) + " ("), std::string::npos)
                << reason;
        }
    }
}

TEST(GeneticMap, TheLayoutIsReportedWithTheErrorsOfItsLines) {
    const MapReading reading = read_genetic_map("id,,,1\nm,1,x,A\n");
    EXPECT_EQ(reading.layout, MapLayout::rqtl_csvr);
    EXPECT_EQ(reading.errors.size(), 1u);
}

TEST(GeneticMap, LayoutsHaveTheirNames) {
    const struct {
        MapLayout layout;
        const char* name;
    } cases[] = {
        {MapLayout::none, "none"},
        {MapLayout::qtl2_gmap, "qtl2 gmap"},
        {MapLayout::rqtl_csv, "R/qtl csv"},
        {MapLayout::rqtl_csvr, "R/qtl csvr"},
        {MapLayout::plink_map, "PLINK .map"},
        {MapLayout::three_columns, "three columns"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(map_layout_name(c.layout), c.name);
    }
}

// The markers of a chromosome in any order, other chromosomes between them:
// the scan takes the intervals between neighbours in position.
TEST(GeneticMap, MarkersAreSortedOnEachChromosome) {
    const MapReading sorted =
        read_genetic_map("marker,chr,pos\nc,1,10\nd,1,20\na,1,30\ne,2,0\nb,2,5\n");
    const MapReading shuffled = read_genetic_map("a 1 30\nb 2 5\nc 1 10\nd 1 20\ne 2 0\n");
    ASSERT_TRUE(sorted.errors.empty());
    ASSERT_TRUE(shuffled.errors.empty());
    expect_same_map(shuffled.map, sorted.map, "shuffled");
    EXPECT_EQ(shuffled.map.chromosomes[0].positions, (std::vector<double>{0.1, 0.2, 0.3}));
    EXPECT_EQ(shuffled.map.chromosomes[1].positions, (std::vector<double>{0.0, 0.05}));
    const Scan scan = map_scan(shuffled.map);
    ASSERT_EQ(scan.stretches.size(), 3u);
    for (const Stretch& stretch : scan.stretches) {
        EXPECT_GT(stretch.length, 0.0);
    }
    EXPECT_EQ(map_length(shuffled.map), map_length(sorted.map));
}

// R/qtl's csv holds the genotypes under its map: they are not read.
TEST(GeneticMap, TheGenotypesOfRqtlFilesAreNotRead) {
    const MapReading csv = read_genetic_map("id,m1,m2\n,1,1\n,0,10\nanything,at,all,here\n\n7\n");
    ASSERT_TRUE(csv.errors.empty());
    EXPECT_EQ(csv.map.chromosomes[0].positions, (std::vector<double>{0.0, 0.1}));
    const MapReading csvr = read_genetic_map("id,,,1,2\nm1,1,0,A\nm2,1,10,B,H,x,y,z\n");
    ASSERT_TRUE(csvr.errors.empty());
    EXPECT_EQ(csvr.map.chromosomes[0].positions, (std::vector<double>{0.0, 0.1}));
}

TEST(GeneticMap, TellsTheXChromosome) {
    const MapLayout every[] = {MapLayout::none,      MapLayout::qtl2_gmap,
                               MapLayout::rqtl_csv,  MapLayout::rqtl_csvr,
                               MapLayout::plink_map, MapLayout::three_columns};
    const struct {
        const char* name;
        bool in_plink;
        bool elsewhere;
    } cases[] = {
        {"X", true, true},    {"x", true, true},       {"chrX", true, true},   {"ChrX", true, true},
        {"CHRX", true, true}, {"23", true, false},     {"chr23", true, false}, {"Y", false, false},
        {"XY", false, false}, {"X1", false, false},    {"chr", false, false},  {"", false, false},
        {"1", false, false},  {"chrx2", false, false}, {" X", false, false},
    };
    for (const auto& c : cases) {
        for (const MapLayout layout : every) {
            EXPECT_EQ(is_x_chromosome(c.name, layout),
                      layout == MapLayout::plink_map ? c.in_plink : c.elsewhere)
                << c.name << " in " << map_layout_name(layout);
        }
    }
}

TEST(GeneticMap, LeavesOutTheChromosomesNamed) {
    const GeneticMap map = read_genetic_map(kReference).map;
    const struct {
        std::vector<std::string> names;
        std::vector<std::string> kept;
        std::vector<std::string> missing;
    } cases[] = {
        {{}, {"1", "2", "X"}, {}},
        {{"X"}, {"1", "2"}, {}},
        {{"2", "1"}, {"X"}, {}},
        {{"1", "2", "X"}, {}, {}},
        {{"Y", "X", "7", "Y", "x"}, {"1", "2"}, {"Y", "7", "x"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> missing = {"before"};
        const GeneticMap kept = without_chromosomes(map, c.names, &missing);
        std::vector<std::string> names;
        for (const MapChromosome& chromosome : kept.chromosomes) {
            names.push_back(chromosome.name);
            const auto& whole = map.chromosomes[chromosome.name == "1"   ? 0
                                                : chromosome.name == "2" ? 1
                                                                         : 2];
            EXPECT_EQ(chromosome.positions, whole.positions);
        }
        EXPECT_EQ(names, c.kept);
        std::vector<std::string> expected = {"before"};
        expected.insert(expected.end(), c.missing.begin(), c.missing.end());
        EXPECT_EQ(missing, expected);
        EXPECT_EQ(without_chromosomes(map, c.names, nullptr).chromosomes.size(), c.kept.size());
    }
}

std::string example(const std::string& name) {
    std::ifstream file(std::string(LODTHRESH_EXAMPLES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The files of examples/: each layout of a map gives the map of its qtl2
// gmap.csv, chromosome by chromosome and marker by marker.
TEST(GeneticMap, TheExampleFilesOfAMapReadAlike) {
    const struct {
        const char* file;
        const char* reference;
        MapLayout layout;
    } cases[] = {
        {"mouse_gmap.csv", "mouse_gmap.csv", MapLayout::qtl2_gmap},
        {"mouse_pull_map.csv", "mouse_gmap.csv", MapLayout::qtl2_gmap},
        {"mouse_unsorted.csv", "mouse_gmap.csv", MapLayout::qtl2_gmap},
        {"mouse_excel.csv", "mouse_gmap.csv", MapLayout::qtl2_gmap},
        {"mouse_three_columns.txt", "mouse_gmap.csv", MapLayout::three_columns},
        {"mouse_three_columns_header.tsv", "mouse_gmap.csv", MapLayout::three_columns},
        {"mouse_write_table.txt", "mouse_gmap.csv", MapLayout::three_columns},
        {"mouse_rqtl.csv", "mouse_gmap.csv", MapLayout::rqtl_csv},
        {"mouse_rqtl_csvr.csv", "mouse_gmap.csv", MapLayout::rqtl_csvr},
        {"mouse_plink3.map", "mouse_gmap.csv", MapLayout::plink_map},
        {"mouse_plink4.map", "mouse_gmap.csv", MapLayout::plink_map},
        {"human_gmap.csv", "human_gmap.csv", MapLayout::qtl2_gmap},
        {"human.map", "human_gmap.csv", MapLayout::plink_map},
        {"human_three_columns_header.tsv", "human_gmap.csv", MapLayout::three_columns},
    };
    for (const auto& c : cases) {
        const MapReading reference = read_genetic_map(example(c.reference));
        const MapReading reading = read_genetic_map(example(c.file));
        ASSERT_TRUE(reading.errors.empty())
            << c.file << ":" << reading.errors[0].line << ": " << reading.errors[0].reason;
        EXPECT_EQ(reading.layout, c.layout) << c.file;
        expect_same_map(reading.map, reference.map, c.file);
    }
}

// The example maps are as examples/README.md says: the mouse's 19 autosomes
// of 60-110 cM with markers 5-25 cM apart, the human's 22 of 70-290 cM with
// markers about every 10 cM (5-15 cM apart), unevenly.
TEST(GeneticMap, TheExampleMapsLookLikeTheirGenomes) {
    const struct {
        const char* file;
        std::size_t chromosomes;
        double shortest_cm, longest_cm, least_gap_cm, most_gap_cm, least_mean_cm, most_mean_cm;
    } cases[] = {
        {"mouse_gmap.csv", 19, 60.0, 110.0, 5.0, 25.0, 12.0, 18.0},
        {"human_gmap.csv", 22, 70.0, 290.0, 5.0, 15.0, 9.0, 11.0},
    };
    for (const auto& c : cases) {
        const MapReading reading = read_genetic_map(example(c.file));
        ASSERT_TRUE(reading.errors.empty()) << c.file;
        ASSERT_EQ(reading.map.chromosomes.size(), c.chromosomes) << c.file;
        std::vector<double> gaps;
        for (std::size_t i = 0; i < c.chromosomes; ++i) {
            const MapChromosome& chromosome = reading.map.chromosomes[i];
            EXPECT_EQ(chromosome.name, std::to_string(i + 1)) << c.file;
            const double span = 100.0 * (chromosome.positions.back() - chromosome.positions[0]);
            EXPECT_GE(span, c.shortest_cm) << c.file << " " << chromosome.name;
            EXPECT_LE(span, c.longest_cm) << c.file << " " << chromosome.name;
            for (std::size_t m = 1; m < chromosome.positions.size(); ++m) {
                gaps.push_back(100.0 * (chromosome.positions[m] - chromosome.positions[m - 1]));
            }
        }
        const auto [least, most] = std::minmax_element(gaps.begin(), gaps.end());
        EXPECT_GE(*least, c.least_gap_cm - 1e-9) << c.file;
        EXPECT_LE(*most, c.most_gap_cm + 1e-9) << c.file;
        EXPECT_GT(*most - *least, 0.5 * (c.most_gap_cm - c.least_gap_cm)) << c.file;
        const double mean = 100.0 * map_length(reading.map) / static_cast<double>(gaps.size());
        EXPECT_GE(mean, c.least_mean_cm) << c.file;
        EXPECT_LE(mean, c.most_mean_cm) << c.file;
    }
}

}  // namespace
}  // namespace lodthresh
