// The page model, built natively: its answers against the command line's for
// the same options, bit for bit, and its messages for bad values.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "support/temp_dir.h"
#include "web/page.h"

namespace lodthresh {
namespace {

using web::Request;

constexpr char kMap[] = "marker,chr,pos\nm1,1,0\nm2,1,10.5\nm3,1,25\nm4,2,0\nm5,2,40\nm6,3,5\n";

struct Case {
    const char* name;
    Request request;
    std::vector<std::string> options;  // the same rows from the command line
};

// The page's fields, the command line's options with the same values.
Request request(const std::vector<std::string>& options) {
    Request request;
    for (std::size_t i = 0; i + 1 < options.size(); i += 2) {
        std::string* field = options[i] == "-G"           ? &request.length
                             : options[i] == "-C"         ? &request.chromosomes
                             : options[i] == "--design"   ? &request.design
                             : options[i] == "-r"         ? &request.rate
                             : options[i] == "--tail"     ? &request.tail
                             : options[i] == "-a"         ? &request.alpha
                             : options[i] == "--spacing"  ? &request.spacing
                             : options[i] == "--scan"     ? &request.scan
                             : options[i] == "--step"     ? &request.step
                             : options[i] == "--lod"      ? &request.lod
                             : options[i] == "--simulate" ? &request.simulate
                             : options[i] == "--seed"     ? &request.seed
                                                          : nullptr;
        if (field != nullptr) {
            *field = options[i + 1];
        }
    }
    return request;
}

std::vector<Case> cases() {
    const std::vector<std::vector<std::string>> options = {
        {"--spacing", "0"},
        {"-G", "16", "-C", "20", "--design", "backcross,intercross", "-a", "all", "--spacing",
         "0,1,10"},
        {"-r", "1.3", "--tail", "two-sided", "-a", "0.05", "--spacing", "2,10"},
        {"-G", "1", "-C", "1", "--design", "backcross", "-a", "suggestive,0.05", "--spacing",
         "0,100"},
        {"-G", "16", "-C", "20", "--design", "intercross", "-a", "all", "--spacing", "5",
         "--simulate", "500", "--seed", "7", "--threads", "1"},
        {"-G", "16", "-C", "20", "--design", "backcross,sibs", "--spacing", "0,10", "--lod",
         "2.5,3.4,6"},
        {"-G", "16", "-C", "20", "--design", "backcross", "--spacing", "10", "--lod", "3",
         "--simulate", "500", "--seed", "7", "--threads", "1"},
        {"-G", "16", "-C", "20", "--design", "backcross,intercross", "--spacing", "10,20", "--scan",
         "interval", "--step", "2"},
        {"-G", "16", "-C", "20", "--design", "backcross", "--spacing", "5", "--scan", "interval",
         "--lod", "3", "--simulate", "500", "--seed", "7", "--threads", "1"},
    };
    const char* names[] = {"defaults",
                           "designs at spacings",
                           "a rate of one's own",
                           "rows without a result",
                           "simulated",
                           "p-values of peaks",
                           "simulated p-values",
                           "interval mapping",
                           "simulated interval mapping"};
    std::vector<Case> out;
    for (std::size_t i = 0; i < options.size(); ++i) {
        out.push_back({names[i], request(options[i]), options[i]});
    }
    return out;
}

// A JSON string of a text with no character to escape but quotes.
std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c == '"' ? "\\\"" : std::string(1, c);
    }
    return out + "\"";
}

// The JSON array of strings, as the page writes one.
std::string json_strings(const std::vector<std::string>& values) {
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        out += (i == 0 ? "" : ",") + json_string(values[i]);
    }
    return out + "]";
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;) {
        out.push_back(word);
    }
    return out;
}

std::vector<std::string> with(std::vector<std::string> options, const char* format) {
    options.insert(options.end(), {"-f", format});
    return options;
}

TEST(Page, CsvIsTheCommandLinesBitForBit) {
    for (const Case& c : cases()) {
        const Outcome expected = run_cli(with(c.options, "csv"));
        ASSERT_EQ(expected.err, "") << c.name;
        EXPECT_EQ(web::csv_text(c.request), expected.out) << c.name;
    }
}

// The page's header and cells are the text format's words; a row without a
// result has the cells of its values and the reason.
TEST(Page, TableCellsAreTheCommandLinesTextFormat) {
    for (const Case& c : cases()) {
        const std::string answer = web::calculate_json(c.request);
        std::istringstream lines(run_cli(with(c.options, "text")).out);
        std::vector<std::vector<std::string>> rows;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("#", 0) != 0) {
                rows.push_back(words(line));
            }
        }
        ASSERT_FALSE(rows.empty()) << c.name;
        std::vector<std::string> header = rows.front();
        header.pop_back();  // "map": no map here
        EXPECT_NE(answer.find("\"header\":" + json_strings(header) + ",\"rows\":["),
                  std::string::npos)
            << c.name << answer;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            const std::vector<std::string>& row = rows[i];
            const bool ok = row.size() == header.size();
            std::size_t cells = ok ? row.size() : 0;
            while (!ok && row[cells] != "no") {
                ++cells;
            }
            std::string reason;
            for (std::size_t w = cells; w < row.size(); ++w) {
                reason += (reason.empty() ? "" : " ") + row[w];
            }
            std::string expected = ok ? "{\"ok\":true" : "{\"ok\":false";
            expected += ",\"cells\":" +
                        json_strings({row.begin(), row.begin() + static_cast<long>(cells)}) +
                        ",\"reason\":\"" + reason + "\"}";
            EXPECT_NE(answer.find(expected), std::string::npos) << c.name << ": " << expected;
        }
    }
}

// A file's name may hold blanks; its cell is the name whole.
TEST(Page, AMapsNameIsOneCell) {
    const Request request{"", "", "sibs", "",           "",   "0.05", "",
                          "", "", "",     "my map.csv", kMap, "",     ""};
    const std::string answer = web::calculate_json(request);
    EXPECT_NE(answer.find("\"header\":[\"length\",\"chromosomes\",\"design\",\"tail\",\"rate\","
                          "\"alpha\",\"spacing_cm\",\"nominal_alpha\",\"lod\",\"map\"]"),
              std::string::npos)
        << answer;
    EXPECT_NE(answer.find("\"0.05\",\"-\",\"9.216e-03\",\"1.206\",\"my map.csv\"]"),
              std::string::npos)
        << answer;
    EXPECT_NE(
        answer.find("\"command\":\"lodthresh --map 'my map.csv' --design sibs --alpha 0.05\""),
        std::string::npos)
        << answer;
}

// A map's X chromosome is left out, as the command line leaves it, and the
// answer's note says so.
TEST(Page, AMapsXChromosomeIsLeftOutAndTheNoteSaysSo) {
    const Request request{"", "",     "sibs",  "",
                          "", "0.05", "",      "",
                          "", "",     "x.csv", "marker,chr,pos\na,1,0\nb,1,50\nc,X,0\nd,X,40\n",
                          "", ""};
    const std::string answer = web::calculate_json(request);
    EXPECT_NE(answer.find("\"note\":\"x.csv: chromosome X is left out and its threshold not "
                          "computed: the X chromosome's test differs by design and cross "
                          "direction.\""),
              std::string::npos)
        << answer;
    EXPECT_NE(answer.find("[\"0.5\",\"1\",\"sibs\""), std::string::npos) << answer;
}

// A bad value's message names its field by the page's label, without the
// pointer to --help; the command line's names the option.
TEST(Page, ABadValueGetsAMessageInThePagesWordsBesideItsField) {
    const struct {
        Request request;
        const char* field;
        const char* message;
        std::vector<std::string> options;
        const char* command_line;
    } bad[] = {
        {Request{"-3", "", "", "", "", "", "", "", "", "", "", "", "", ""},
         "length",
         "Length: '-3' is not above 0",
         {"-G", "-3", "--spacing", "0"},
         "--length: '-3' is not above 0"},
        {Request{"", "", "f2", "", "", "", "", "", "", "", "", "", "", ""},
         "design",
         "Designs: 'f2' is not a design",
         {"--design", "f2"},
         "--design: 'f2' is not a design (see --help)"},
        {Request{"", "", "sibs", "2", "", "", "", "", "", "", "", "", "", ""},
         "design",
         "Designs: not with Rate; a design of one's own is a Rate with a Tail",
         {"--design", "sibs", "-r", "2"},
         "--design: not with --rate; a design of one's own is a --rate with a --tail"},
    };
    for (const auto& b : bad) {
        const std::string answer = web::calculate_json(b.request);
        EXPECT_EQ(answer, "{\"errors\":[{\"field\":\"" + std::string(b.field) +
                              "\",\"message\":" + json_string(b.message) + "}]}")
            << b.field;
        EXPECT_EQ(web::csv_text(b.request), "") << b.field;
        EXPECT_EQ(run_cli(b.options).err,
                  std::string("lodthresh: ") + b.command_line + "\nTry 'lodthresh --help'.\n");
    }
}

}  // namespace
}  // namespace lodthresh
