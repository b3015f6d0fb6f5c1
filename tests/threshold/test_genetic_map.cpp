// Genetic maps: both layouts, what a map's scan is, and every kind of bad line.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

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
        {"marker,chromosome,cM\nm,1,0\n", 1,
         "a comma-separated map starts with the header 'marker,chr,pos'"},
        {"marker,chr,pos\nm,1\n", 2, "expected 3 fields (marker,chr,pos), found 2"},
        {"marker,chr,pos\nm,,4\n", 2, "the chromosome is empty"},
        {"marker,chr,pos\nm,1,NA\n", 2, "position 'NA' is not a number"},
        {"marker,chr,pos\nm,1,inf\n", 2, "position 'inf' is not a finite number"},
        {"marker,chr,pos\na,1,5\nb,2,0\nc,1,4.5\n", 4,
         "position 4.5 cM is below the 5 cM of the marker before it on chromosome '1'"},
        {"1 rs1 0\n", 1, "expected 4 fields (chr id cM bp), found 3"},
        {"1 rs1 0 12x\n", 1, "bp '12x' is not a number"},
        {"# header\n1 rs1 zero 100\n", 2, "position 'zero' is not a number"},
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

}  // namespace
}  // namespace lodthresh
