// A request by named arguments, as the packages make it: the table of its rows
// is the command line's tsv as values, its refusals and messages are the
// command line's, and a stop flag ends its simulation without rows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "table/command_line.h"
#include "table/request.h"
#include "table/shortest.h"

namespace lodthresh {
namespace {

using table::ArgumentItem;
using table::ArgumentValue;
using table::MapText;
using table::Options;
using table::RequestAnswer;

const std::string kExamples = LODTHRESH_EXAMPLES;

ArgumentValue texts(std::vector<std::string> values) {
    ArgumentValue value;
    for (std::string& text : values) {
        value.items.push_back(ArgumentItem{false, 0.0, std::move(text)});
    }
    return value;
}

ArgumentValue numbers(const std::vector<double>& values) {
    ArgumentValue value;
    for (const double number : values) {
        value.items.push_back(ArgumentItem{true, number, {}});
    }
    return value;
}

ArgumentValue logical(bool truth) {
    ArgumentValue value = texts({truth ? "TRUE" : "FALSE"});
    value.flag = truth;
    return value;
}

// The options of command-line arguments ("--length", "16", "--exact"), set
// argument by argument as a package sets them, each value a text.
Options options_of(const std::vector<std::string>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string name = arguments[i].substr(2);
        const table::OptionEntry* entry = table::find_option(name);
        EXPECT_NE(entry, nullptr) << name;
        const bool flag = entry != nullptr && entry->flag != nullptr;
        const std::optional<table::OptionError> error =
            table::set_argument(name, flag ? logical(true) : texts({arguments[++i]}), options);
        EXPECT_FALSE(error) << error->message;
    }
    return options;
}

// The table written as the command line writes tsv.
std::string tsv_of(const table::Table& table) {
    std::string out;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        out += (c == 0 ? "" : "\t") + table.columns[c].name;
    }
    out += '\n';
    for (std::size_t r = 0; r < table.rows; ++r) {
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            const table::TableColumn& column = table.columns[c];
            out += c == 0 ? "" : "\t";
            if (column.text) {
                out += column.texts[r];
            } else if (!std::isnan(column.numbers[r])) {
                out += table::shortest(column.numbers[r]);
            }
        }
        out += '\n';
    }
    return out;
}

RequestAnswer request(const std::vector<std::string>& arguments,
                      const std::optional<MapText>& map = std::nullopt) {
    return table::run_request(options_of(arguments), map, {});
}

TEST(Request, TheTableIsTheCommandLinesTsv) {
    const std::string map = kExamples + "/mouse_gmap.csv";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--length", "16", "--chromosomes", "23", "--alpha", "0.05"},
        {"--rate", "all", "--alpha", "all"},
        {"--exact", "--length", "0.5,33", "--chromosomes", "1,23"},
        {"--length", "1e-3"},  // rows without a result
        {"--design", "backcross,intercross", "--spacing", "0,1,5"},
        {"--rate", "1.3", "--tail", "two-sided", "--spacing", "2", "--alpha", "0.05,0.01"},
        {"--map", map, "--design", "all"},
        {"--map", map, "--design", "intercross", "--omit-chromosomes", "1,2"},
        {"--design", "backcross", "--spacing", "5,10", "--lod", "2,3.5"},
        {"--design", "intercross", "--spacing", "10", "--individuals", "200"},
        {"--design", "backcross", "--spacing", "10", "--scan", "interval", "--step", "2.5"},
        {"--design", "backcross", "--spacing", "5", "--length", "33", "--chromosomes", "100"},
        {"--design", "backcross", "--spacing", "10,20", "--simulate", "200", "--seed", "7",
         "--threads", "2"},
        {"--map", map, "--design", "backcross", "--lod", "3", "--simulate", "300"},
        // Power rows, solved ones, one beyond the bound and simulated ones.
        {"--design", "backcross,intercross", "--spacing", "5", "--pve", "0.05,0.1", "--individuals",
         "100,200"},
        {"--design", "intercross", "--spacing", "10", "--pve", "0.05", "--dominance", "0,1",
         "--target-power", "0.8"},
        {"--design", "backcross", "--spacing", "10", "--pve", "1e-9", "--target-power", "0.9"},
        {"--map", map, "--design", "sibs", "--noncentrality", "4", "--simulate", "300"},
    };
    for (const std::vector<std::string>& arguments : cases) {
        std::vector<std::string> command = arguments;
        command.insert(command.end(), {"--format", "tsv"});
        const testing::CommandOutcome expected = testing::run_command_line(command);
        const RequestAnswer answer = request(arguments);
        ASSERT_TRUE(answer.errors.empty()) << answer.errors.front().message;
        EXPECT_FALSE(answer.stopped);
        EXPECT_EQ(tsv_of(answer.table), expected.out) << ::testing::PrintToString(arguments);
    }
}

TEST(Request, ItsMessagesAreTheCommandLinesErrorStream) {
    const std::string map = kExamples + "/human.map";
    testing::TempDir dir;
    const std::string with_x = dir.file("x.csv");
    {
        std::ofstream out(with_x);
        out << "marker,chr,pos\nm1,1,0\nm2,1,50\nm3,X,0\nm4,X,40\n";
    }
    const std::vector<std::vector<std::string>> cases = {
        {"--design", "backcross", "--spacing", "100", "--length", "16", "--chromosomes", "20"},
        {"--map", with_x, "--design", "backcross"},
    };
    for (const std::vector<std::string>& arguments : cases) {
        const testing::CommandOutcome expected = testing::run_command_line(arguments);
        const RequestAnswer answer = request(arguments);
        std::string said;
        for (const std::string& message : answer.messages) {
            said += "lodthresh: " + message + "\n";
        }
        EXPECT_FALSE(said.empty());
        EXPECT_EQ(said, expected.err) << ::testing::PrintToString(arguments);
    }
}

TEST(Request, ARefusalIsTheCommandLinesMessage) {
    testing::TempDir dir;
    const std::string bad = dir.file("bad.csv");
    {
        std::ofstream out(bad);
        out << "marker,chr,pos\nm1,1,0\nm2,1,x\nm3,1,inf\n";
    }
    const std::string empty = dir.file("empty.csv");
    { std::ofstream out(empty); }
    const std::vector<std::vector<std::string>> cases = {
        {"--length", "-3"},
        {"--alpha", "2"},
        {"--exact", "--precision", "1e-6"},
        {"--design", "f2"},
        {"--design", "sibs", "--rate", "2"},
        {"--spacing", "1", "--simulate", "99"},
        {"--seed", "1"},
        {"--lod", "3"},
        {"--map", dir.file("missing.csv")},
        {"--map", dir.path().string()},
        {"--map", bad, "--design", "backcross"},
        {"--map", empty},
        {"--map", kExamples + "/mouse_gmap.csv", "--omit-chromosomes", "77"},
    };
    for (const std::vector<std::string>& arguments : cases) {
        const testing::CommandOutcome expected = testing::run_command_line(arguments);
        const RequestAnswer answer = request(arguments);
        ASSERT_FALSE(answer.errors.empty()) << ::testing::PrintToString(arguments);
        EXPECT_EQ(answer.table.rows, 0U);
        std::string said;
        for (const table::OptionError& error : answer.errors) {
            said += "lodthresh: " + error.message + "\n";
        }
        // A usage error is followed by the pointer to --help; a map's lines
        // or a file that cannot be read are not.
        const std::string help = "Try 'lodthresh --help'.\n";
        const bool usage =
            expected.status == 2 && expected.err.size() >= help.size() &&
            expected.err.compare(expected.err.size() - help.size(), help.size(), help) == 0;
        EXPECT_EQ(said + (usage ? help : ""), expected.err) << ::testing::PrintToString(arguments);
    }
}

TEST(Request, ArgumentsAreTheOptionsByName) {
    Options options;
    EXPECT_FALSE(table::set_argument("length", numbers({16, 0.1, 1e-8, 33, 2.5e15}), options));
    EXPECT_EQ(options.length, "16,0.1,1e-08,33,2500000000000000");
    // A whole number as its digits, as a count takes it; beyond 2^53 the shortest text.
    EXPECT_FALSE(table::set_argument("simulate", numbers({1e5, -0.0, 1e16, 1e300}), options));
    EXPECT_EQ(options.simulate, "100000,-0,1e+16,1e+300");
    EXPECT_FALSE(table::set_argument("design", texts({"backcross", "intercross"}), options));
    EXPECT_EQ(options.design, "backcross,intercross");
    EXPECT_FALSE(table::set_argument("omit_chromosomes", texts({"1", "X"}), options));
    EXPECT_EQ(options.omit_chromosomes, "1,X");
    EXPECT_FALSE(table::set_argument("alpha", numbers({0.1 + 0.2}), options));
    EXPECT_EQ(options.alpha, "0.30000000000000004");
    EXPECT_FALSE(table::set_argument("exact", logical(true), options));
    EXPECT_TRUE(options.exact);
    EXPECT_FALSE(table::set_argument("exact", logical(false), options));
    EXPECT_FALSE(options.exact);
    // A logical value of an option with a value is its text, which the option refuses.
    EXPECT_FALSE(table::set_argument("seed", logical(true), options));
    EXPECT_EQ(options.seed, "TRUE");
}

TEST(Request, AnArgumentThatIsNoOptionIsRefused) {
    const struct {
        const char* name;
        ArgumentValue value;
        const char* message;
    } cases[] = {
        {"lenght", numbers({16}), "unrecognized argument 'lenght'"},
        {"format", texts({"tsv"}), "unrecognized argument 'format'"},
        {"batch", texts({"-"}), "unrecognized argument 'batch'"},
        {"help", logical(true), "unrecognized argument 'help'"},
        {"exact", numbers({1}), "--exact: a flag, given one logical value (true or false)"},
        {"length", numbers({}), "--length: needs a value"},
    };
    for (const auto& c : cases) {
        Options options;
        const std::optional<table::OptionError> error =
            table::set_argument(c.name, c.value, options);
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->message, c.message);
    }
}

TEST(Request, TheCommandLinesOwnOptionsAreRefused) {
    Options options;
    options.format = "tsv";
    EXPECT_EQ(table::run_request(options, std::nullopt, {}).errors.at(0).message,
              "--format: the command line's own, not a request's");
    options = Options{};
    options.batch = "-";
    EXPECT_EQ(table::run_request(options, std::nullopt, {}).errors.at(0).message,
              "--batch: the command line's own, not a request's");
}

TEST(Request, AMapOfColumnsIsReadAsItsFileWouldBe) {
    const std::string text =
        table::map_text_of({"a\"1", "b", "c"}, {"1", "1", "2"}, {0.0, 0.1 + 0.2, 12.5});
    EXPECT_EQ(text,
              "marker,chr,pos\n\"a\"\"1\",\"1\",0\n\"b\",\"1\",0.30000000000000004\n"
              "\"c\",\"2\",12.5\n");
    testing::TempDir dir;
    const std::string file = dir.file("m.csv");
    {
        std::ofstream out(file);
        out << text;
    }
    const RequestAnswer from_file = request({"--map", file, "--design", "backcross"});
    const RequestAnswer from_columns = request({"--design", "backcross"}, MapText{file, text});
    ASSERT_TRUE(from_columns.errors.empty());
    EXPECT_EQ(tsv_of(from_columns.table), tsv_of(from_file.table));
    // A position that is no number is named by its line: marker i on line i + 2.
    const RequestAnswer bad =
        request({"--design", "backcross"},
                MapText{"gmap", table::map_text_of({"a", "b"}, {"1", "1"}, {0.0, std::nan("")})});
    ASSERT_EQ(bad.errors.size(), 1U);
    EXPECT_EQ(bad.errors[0].message.rfind("gmap:3: ", 0), 0U) << bad.errors[0].message;
    EXPECT_THROW(table::map_text_of({"a"}, {}, {0.0}), std::invalid_argument);
}

TEST(Request, ATextColumnStaysTextWhereEveryFieldIsEmpty) {
    const RequestAnswer answer = request({"--spacing", "1"});
    for (const table::TableColumn& column : answer.table.columns) {
        const bool text = column.name == "map" || column.name == "design" ||
                          column.name == "tail" || column.name == "status";
        EXPECT_EQ(column.text, text) << column.name;
        if (column.name == "map") {
            EXPECT_EQ(column.empty, std::vector<unsigned char>(answer.table.rows, 1));
        }
    }
}

TEST(Request, AStopEndsTheSimulationWithoutRows) {
    std::atomic<bool> stop{true};
    table::RequestWatch watch;
    watch.stop = &stop;
    const RequestAnswer answer = table::run_request(
        options_of({"--design", "backcross", "--spacing", "1", "--simulate", "100000"}),
        std::nullopt, watch);
    EXPECT_TRUE(answer.stopped);
    EXPECT_TRUE(answer.errors.empty());
    EXPECT_EQ(answer.table.rows, 0U);
    EXPECT_TRUE(answer.table.columns.empty());
}

TEST(Request, ProgressGoesFromTheStartToTheWhole) {
    std::vector<double> fractions;
    std::string what;
    table::RequestWatch watch;
    watch.progress = [&](double fraction, const std::string& subject) {
        fractions.push_back(fraction);
        what = subject;
    };
    const RequestAnswer answer =
        table::run_request(options_of({"--design", "backcross", "--spacing", "5,10", "--simulate",
                                       "1000", "--threads", "1"}),
                           std::nullopt, watch);
    ASSERT_FALSE(fractions.empty());
    for (std::size_t i = 1; i < fractions.size(); ++i) {
        EXPECT_LE(fractions[i - 1], fractions[i]);
    }
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
    EXPECT_EQ(what, "backcross at 10 cM");
}

TEST(Request, OnAThreadOfItsOwnItStopsWhenTheCallerIsInterrupted) {
    const Options options =
        options_of({"--design", "backcross", "--spacing", "0.1", "--simulate", "1000000"});
    int asked = 0;
    const auto start = std::chrono::steady_clock::now();
    const RequestAnswer answer =
        table::run_request_watched(options, std::nullopt, [&] { return ++asked >= 5; }, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_GE(asked, 5);
    EXPECT_TRUE(answer.stopped);
    EXPECT_EQ(answer.table.rows, 0U);
}

TEST(Request, OnAThreadOfItsOwnItGivesTheRowsAndShowsProgress) {
    const Options options = options_of(
        {"--design", "backcross", "--spacing", "1", "--simulate", "20000", "--threads", "1"});
    double shown = -1.0;
    const RequestAnswer answer = table::run_request_watched(
        options, std::nullopt, [] { return false; },
        [&](double fraction, const std::string&) { shown = fraction; },
        std::chrono::milliseconds(1));
    EXPECT_FALSE(answer.stopped);
    EXPECT_EQ(answer.table.rows, 1U);
    EXPECT_EQ(tsv_of(answer.table), tsv_of(table::run_request(options, std::nullopt, {}).table));
    EXPECT_GE(shown, 0.0);
}

TEST(Request, OnAThreadOfItsOwnACallersFailureStopsItAndPassesOn) {
    const Options options =
        options_of({"--design", "backcross", "--spacing", "0.1", "--simulate", "1000000"});
    EXPECT_THROW(
        table::run_request_watched(options, std::nullopt,
                                   []() -> bool { throw std::runtime_error("caller"); }, {}),
        std::runtime_error);
}

}  // namespace
}  // namespace lodthresh
