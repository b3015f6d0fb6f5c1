// Transcripts of the parameter dialogue: keystrokes in, exact console bytes,
// the accepted record and the input left unread out.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "console/dialogue.h"
#include "console/transcript.h"
#include "support/memory_streams.h"

namespace lodthresh {
namespace {

using testing::InputStream;
using testing::OutputStream;
using namespace transcript;

struct Dialogue {
    std::string console;
    ThresholdParameters record;
    bool completed;
    std::string rest;
};

Dialogue converse(const std::string& keys, ThresholdParameters record = {}) {
    InputStream in(keys);
    OutputStream out;
    Terminal terminal(in.get(), out.get());
    const bool completed = ask_parameters(terminal, record);
    return {out.text(), record, completed, in.rest()};
}

void expect_record(const ThresholdParameters& actual, double g, double c, double rho, double alpha,
                   double epsilon) {
    EXPECT_EQ(actual.genome_length, g);
    EXPECT_EQ(actual.chromosomes, c);
    EXPECT_EQ(actual.crossover_rate, rho);
    EXPECT_EQ(actual.significance, alpha);
    EXPECT_EQ(actual.precision, epsilon);
}

TEST(Dialogue, EnterEverywhereKeepsTheDefaultsUnchecked) {
    const Dialogue d = converse("\n\n\n\n\n");
    EXPECT_TRUE(d.completed);
    EXPECT_EQ(d.console, kDefaults);
    expect_record(d.record, 33.0, 23.0, 2.0, 0.05, 1e-8);
    // A bare Enter is never checked, even when the kept value would fail.
    ThresholdParameters odd;
    odd.chromosomes = 2.5;
    odd.precision = 0.5;
    EXPECT_TRUE(converse("\n\n\n\n\n", odd).completed);
}

TEST(Dialogue, HelpAtEveryRowThenEnterKeepsTheValue) {
    const Dialogue d = converse("?\n\n?\n\n?\n\n?\n\n?\n\n");
    EXPECT_TRUE(d.completed);
    EXPECT_EQ(d.console,
              kHead + length("33.00") + "\n\nThe length of the human genome (default) equals 33M." +
                  length("33.00") + chromosomes("23") +
                  "\nThe number of human chromosomes totals 23.\n" + "\n" + chromosomes("23") +
                  rate("2") + kCrossOverTable + rate("2") + level("0.0500") +
                  "\nNo help available.\n" + "\n" + level("0.0500") + precision("0.0000000100") +
                  "\nThe precision gives the maximally allowed difference between"
                  "\nthe specified and the calculated global significance level.\n" +
                  "\n" + precision("0.0000000100"));
    expect_record(d.record, 33.0, 23.0, 2.0, 0.05, 1e-8);
}

TEST(Dialogue, HelpThenANumberIsCheckedAndTheCharacterBehindTheQuestionMarkIsDiscarded) {
    // "?x": the 'x' is the one character discarded behind the '?', so the
    // line end is read at the re-prompt and keeps the value.
    Dialogue d = converse("\n\n\n?x\n\n");
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") + rate("2") + level("0.0500") +
                             "\nNo help available.\n" + "\n" + level("0.0500") +
                             precision("0.0000000100"));
    EXPECT_EQ(d.record.significance, 0.05);
    // A number typed after the help goes through the check.
    d = converse("\n?\n23.5\n22\n\n\n\n");
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") +
                             "\nThe number of human chromosomes totals 23.\n" + "\n" +
                             chromosomes("23") + kNotWhole + "\n" + chromosomes("24") + rate("2") +
                             level("0.0500") + precision("0.0000000100"));
    EXPECT_EQ(d.record.chromosomes, 22.0);
}

TEST(Dialogue, RejectedChromosomesAreAskedAgainShowingTheRejectedValue) {
    // 23.5 shows as 24 in "%.0lf"; Enter submits the rejected value again.
    const Dialogue d = converse("\n23.5\n\n22\n\n\n\n");
    EXPECT_TRUE(d.completed);
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") + kNotWhole + "\n" +
                             chromosomes("24") + kNotWhole + "\n" + chromosomes("24") + rate("2") +
                             level("0.0500") + precision("0.0000000100"));
    expect_record(d.record, 33.0, 22.0, 2.0, 0.05, 1e-8);
    // Zero and negative whole numbers pass the check; -0.5 does not.
    EXPECT_EQ(converse("\n0\n\n\n\n").record.chromosomes, 0.0);
    EXPECT_EQ(converse("\n-3\n\n\n\n").record.chromosomes, -3.0);
    EXPECT_EQ(converse("\n-0.5\n7\n\n\n\n").console,
              kHead + length("33.00") + chromosomes("23") + kNotWhole + "\n" + chromosomes("-0") +
                  rate("2") + level("0.0500") + precision("0.0000000100"));
}

TEST(Dialogue, GlobalLevelMustBeBelowOne) {
    const Dialogue d = converse("\n\n\n1\n0.9999\n\n");
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") + rate("2") + level("0.0500") +
                             kLevelTooHigh + "\n" + level("1.0000") + precision("0.0000000100"));
    EXPECT_EQ(d.record.significance, 0.9999);
    EXPECT_EQ(converse("\n\n\n0\n\n").record.significance, 0.0);
    EXPECT_EQ(converse("\n\n\n-0.5\n\n").record.significance, -0.5);
}

TEST(Dialogue, PrecisionMustBeBelowTheLevelAcceptedJustBefore) {
    const Dialogue d = converse("\n\n\n0.01\n0.01\n0.001\n");
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") + rate("2") + level("0.0500") +
                             precision("0.0000000100") + kPrecisionTooHigh + "\n" +
                             precision("0.0100000000"));
    EXPECT_EQ(d.record.precision, 0.001);
    // Lowering the level below the precision kept with Enter reports nothing.
    const Dialogue kept = converse("\n\n\n1e-9\n\n");
    EXPECT_EQ(kept.console, kHead + length("33.00") + chromosomes("23") + rate("2") +
                                level("0.0500") + precision("0.0000000100"));
    expect_record(kept.record, 33.0, 23.0, 2.0, 1e-9, 1e-8);
}

TEST(Dialogue, ValuesCarryOverToTheNextDialogueInTheirDisplayFormats) {
    // Exponent notation; a precision below 5e-11 shows as zero; a rate of
    // 2.67 shows as 3 while the field keeps 2.67.
    Dialogue first = converse("12.345\n\n2.67\n\n1e-9\n");
    expect_record(first.record, 12.345, 23.0, 2.67, 0.05, 1e-9);
    Dialogue second = converse("\n\n\n\n4e-11\n", first.record);
    EXPECT_EQ(second.console, kHead + length("12.35") + chromosomes("23") + rate("3") +
                                  level("0.0500") + precision("0.0000000010"));
    EXPECT_EQ(converse("\n\n\n\n\n", second.record).console,
              kHead + length("12.35") + chromosomes("23") + rate("3") + level("0.0500") +
                  precision("0.0000000000"));
    EXPECT_EQ(second.record.precision, 4e-11);
}

TEST(Dialogue, TypeAheadIsReadByTheFollowingPrompts) {
    // "5 " then Enter: the blank is discarded behind the number, the line end
    // is left for the next prompt, which keeps its value without waiting.
    Dialogue d = converse("5 \n\n\n\n");
    EXPECT_TRUE(d.completed);
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") + rate("2") + level("0.0500") +
                             precision("0.0000000100"));
    expect_record(d.record, 5.0, 23.0, 2.0, 0.05, 1e-8);
    // After the fifth row the left line end is the next reader's.
    d = converse("\n\n\n\n1e-9 \n");
    EXPECT_EQ(d.rest, "\n");
    // Two answers on one line.
    d = converse("40 22\n\n\n\nrest");
    expect_record(d.record, 40.0, 22.0, 2.0, 0.05, 1e-8);
    EXPECT_EQ(d.rest, "rest");
}

TEST(Dialogue, BlanksBeginANumberEntryThatWaitsForANumber) {
    const Dialogue d = converse("   \n\t\n 7\n\n\n\n\n");
    EXPECT_EQ(d.console, kDefaults);
    EXPECT_EQ(d.record.genome_length, 7.0);
}

TEST(Dialogue, AnEntryThatIsNoFiniteNumberKeepsTheValueAndLosesItsLine) {
    for (const char* entry :
         {"abc", "x5", "-", "+x", ".", "nan", "inf", "-inf", "1e999", "in", "na", "-in", "--5"}) {
        SCOPED_TRACE(entry);
        const Dialogue d = converse(entry + std::string(" 7\n\n\n\n\n\n"));
        EXPECT_TRUE(d.completed);
        EXPECT_EQ(d.console,
                  kHead + length("33.00") + kNotANumber +
                      "\nLength of genomic region in Morgan\t[33.00]\t\t: " + chromosomes("23") +
                      rate("2") + level("0.0500") + precision("0.0000000100"));
        expect_record(d.record, 33.0, 23.0, 2.0, 0.05, 1e-8);
    }
}

TEST(Dialogue, ANumberAfterTheNotANumberErrorIsTakenAndChecked) {
    // Row 3 has its own re-prompt after the error.
    Dialogue d = converse("\n\nfast\n3.2\n\n\n");
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") + rate("2") + kNotANumber +
                             "\nCross over rate\t\t\t\t[2]\t\t: " + level("0.0500") +
                             precision("0.0000000100"));
    EXPECT_EQ(d.record.crossover_rate, 3.2);
    // A second '?' at the help re-prompt is an entry like any other.
    d = converse("\n\n\n?\n?\n1\n0.01\n\n");
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") + rate("2") + level("0.0500") +
                             "\nNo help available.\n" + "\n" + level("0.0500") + kNotANumber +
                             "\n" + level("0.0500") + kLevelTooHigh + "\n" + level("1.0000") +
                             precision("0.0000000100"));
    EXPECT_EQ(d.record.significance, 0.01);
}

TEST(Dialogue, ANotANumberInsideTheCheckLoopKeepsTheRejectedValue) {
    const Dialogue d = converse("\n23.5\nx\n\n22\n\n\n\n");
    EXPECT_EQ(d.console, kHead + length("33.00") + chromosomes("23") + kNotWhole + "\n" +
                             chromosomes("24") + kNotANumber + "\n" + chromosomes("24") +
                             kNotWhole + "\n" + chromosomes("24") + rate("2") + level("0.0500") +
                             precision("0.0000000100"));
    EXPECT_EQ(d.record.chromosomes, 22.0);
}

TEST(Dialogue, EndOfInputEndsTheDialogueAtEveryKindOfWait) {
    struct Case {
        const char* keys;
        std::string console;
    };
    const std::string help4 = "\nNo help available.\n\n" + level("0.0500");
    const Case cases[] = {
        {"", kHead + length("33.00")},  // first prompt
        {"\n\n\n?\n", kHead + length("33.00") + chromosomes("23") + rate("2") + level("0.0500") +
                          help4},  // help re-prompt
        {"?", kHead + length("33.00") + "\n\nThe length of the human genome (default) equals 33M." +
                  length("33.00")},           // behind the '?'
        {"  \n\t", kHead + length("33.00")},  // skipping blanks
        {"\n23.5\n", kHead + length("33.00") + chromosomes("23") + kNotWhole + "\n" +
                         chromosomes("24")},  // error re-prompt
        {"x\n", kHead + length("33.00") + kNotANumber +
                    "\nLength of genomic region in Morgan\t[33.00]\t\t: "},  // not a number
        {"x", kHead + length("33.00") + kNotANumber +
                  "\nLength of genomic region in Morgan\t[33.00]\t\t: "},  // rest of the line
        {"5", kHead + length("33.00") + chromosomes("23")},                // behind a number
        {"\n\n\n\n", kHead + length("33.00") + chromosomes("23") + rate("2") + level("0.0500") +
                         precision("0.0000000100")},  // last row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        const Dialogue d = converse(c.keys);
        EXPECT_FALSE(d.completed);
        EXPECT_EQ(d.console, c.console);
    }
}

}  // namespace
}  // namespace lodthresh
