// The page model, built natively: its answers against the command line's for
// the same options, bit for bit, and its messages for bad values.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
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
        std::string* field = options[i] == "-G"                ? &request.length
                             : options[i] == "-C"              ? &request.chromosomes
                             : options[i] == "--design"        ? &request.design
                             : options[i] == "-r"              ? &request.rate
                             : options[i] == "--tail"          ? &request.tail
                             : options[i] == "-a"              ? &request.alpha
                             : options[i] == "--spacing"       ? &request.spacing
                             : options[i] == "--scan"          ? &request.scan
                             : options[i] == "--step"          ? &request.step
                             : options[i] == "--lod"           ? &request.lod
                             : options[i] == "--simulate"      ? &request.simulate
                             : options[i] == "--seed"          ? &request.seed
                             : options[i] == "--individuals"   ? &request.individuals
                             : options[i] == "--pve"           ? &request.pve
                             : options[i] == "--dominance"     ? &request.dominance
                             : options[i] == "--noncentrality" ? &request.noncentrality
                             : options[i] == "--target-power"  ? &request.target_power
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
        {"-G", "16", "-C", "20", "--design", "backcross", "--spacing", "10", "--individuals",
         "150"},
        {"-G", "14.5", "-C", "20", "--design", "backcross", "--spacing", "5", "--pve", "0.05,0.1",
         "--individuals", "100,200"},
        {"--design", "backcross,intercross", "-a", "all", "--spacing", "5,10", "--pve", "0.05",
         "--target-power", "0.8"},
        {"-G", "16", "-C", "20", "--design", "intercross,intercross-dominance", "--spacing", "2",
         "--individuals", "150", "--dominance", "0,1", "--target-power", "0.5,0.8"},
        {"--design", "lod-score,sibs", "--spacing", "1", "--noncentrality", "3,4.5"},
        {"-r", "1.2", "--tail", "2df", "--spacing", "10", "--target-power", "0.9"},
        {"-G", "16", "-C", "20", "--design", "backcross", "--spacing", "10,20", "--pve", "0.1",
         "--individuals", "200", "--simulate", "200", "--seed", "7", "--threads", "1"},
    };
    const char* names[] = {"defaults",
                           "designs at spacings",
                           "a rate of one's own",
                           "rows without a result",
                           "simulated",
                           "p-values of peaks",
                           "simulated p-values",
                           "interval mapping",
                           "simulated interval mapping",
                           "thresholds of a cross of n individuals",
                           "power at shares of variance and individuals",
                           "individuals that reach a target power",
                           "shares of variance that reach a target power, with dominance",
                           "power at noncentralities",
                           "noncentralities that reach a target power",
                           "simulated power"};
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
        EXPECT_EQ(web::csv_text(c.request), expected.out) << c.name;
    }
}

// What the command line reports of its rows (a row's reason for having no
// result) is the answer's note, each report a sentence.
TEST(Page, TheNoteSaysWhatTheCommandLineReports) {
    for (const Case& c : cases()) {
        const std::string err = run_cli(with(c.options, "csv")).err;
        std::istringstream lines(err);
        std::string note;
        for (std::string line; std::getline(lines, line);) {
            ASSERT_EQ(line.rfind("lodthresh: ", 0), 0U) << c.name << ": " << line;
            note += (note.empty() ? "" : " ") + line.substr(11) + ".";
        }
        const std::string answer = web::calculate_json(c.request);
        if (note.empty()) {
            EXPECT_EQ(answer.find("\"note\":"), std::string::npos) << c.name;
        } else {
            EXPECT_NE(answer.find("\"note\":" + json_string(note)), std::string::npos)
                << c.name << ": " << answer;
        }
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
// A request of these options on the map `text` from the file `name`.
Request on_map(const std::vector<std::string>& options, const char* name, const char* text) {
    Request with_map = request(options);
    with_map.map_name = name;
    with_map.map_text = text;
    return with_map;
}

TEST(Page, AMapsNameIsOneCell) {
    const Request request = on_map({"--design", "sibs", "-a", "0.05"}, "my map.csv", kMap);
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
    const Request request = on_map({"--design", "sibs", "-a", "0.05"}, "x.csv",
                                   "marker,chr,pos\na,1,0\nb,1,50\nc,X,0\nd,X,40\n");
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
        const char* field;
        const char* message;
        std::vector<std::string> options;
        const char* command_line;
    } bad[] = {
        {"length",
         "Length: '-3' is not above 0",
         {"-G", "-3", "--spacing", "0"},
         "--length: '-3' is not above 0"},
        {"design",
         "Designs: 'f2' is not a design",
         {"--design", "f2"},
         "--design: 'f2' is not a design (see --help)"},
        {"design",
         "Designs: not with Rate; a design of one's own is a Rate with a Tail",
         {"--design", "sibs", "-r", "2"},
         "--design: not with --rate; a design of one's own is a --rate with a --tail"},
        {"pve",
         "Share of variance: '0' is not between 0 and 1",
         {"--design", "backcross", "--pve", "0", "--individuals", "100"},
         "--pve: '0' is not between 0 and 1"},
        {"pve",
         "Share of variance: 'x' is not a number",
         {"--design", "backcross", "--pve", "0.1,x", "--individuals", "100"},
         "--pve: 'x' is not a number"},
        {"pve",
         "Share of variance: needs Individuals, or Target power for the individuals that reach it",
         {"--design", "backcross", "--pve", "0.1"},
         "--pve: needs --individuals, or --target-power for the individuals that reach it"},
        {"pve",
         "Share of variance: applies to crosses (two-sided and 2df tests), not to the one-sided "
         "design sibs: give its Noncentrality",
         {"--design", "sibs", "--pve", "0.1", "--target-power", "0.8"},
         "--pve: applies to crosses (two-sided and 2df tests), not to the one-sided design sibs: "
         "give its --noncentrality"},
        {"individuals",
         "Individuals: '100,200': a list of individuals only with power rows (Share of variance, "
         "Noncentrality or Target power)",
         {"--design", "backcross", "--individuals", "100,200"},
         "--individuals: '100,200': a list of individuals only with power rows (--pve, "
         "--noncentrality or --target-power)"},
        {"individuals",
         "Individuals: '2' individuals leave no residual degree of freedom for the two-sided test "
         "of backcross (at least 3)",
         {"--design", "backcross", "--individuals", "2", "--pve", "0.1"},
         "--individuals: '2' individuals leave no residual degree of freedom for the two-sided "
         "test of backcross (at least 3)"},
        {"dominance",
         "Dominance ratio: only with the intercross designs (2df, intercross-additive, "
         "intercross-dominance), not with backcross",
         {"--design", "backcross", "--pve", "0.1", "--individuals", "100", "--dominance", "1"},
         "--dominance: only with the intercross designs (2df, intercross-additive, "
         "intercross-dominance), not with backcross"},
        {"dominance",
         "Dominance ratio: only with Share of variance, Noncentrality or Target power",
         {"--design", "intercross", "--dominance", "1"},
         "--dominance: only with --pve, --noncentrality or --target-power"},
        {"dominance",
         "Dominance ratio: 'x' is not a number",
         {"--design", "intercross", "--pve", "0.1", "--individuals", "100", "--dominance", "x"},
         "--dominance: 'x' is not a number"},
        {"noncentrality",
         "Noncentrality: '-1' is not above 0",
         {"--design", "sibs", "--noncentrality", "-1"},
         "--noncentrality: '-1' is not above 0"},
        {"noncentrality",
         "Noncentrality: not with Share of variance, which gives it with Individuals",
         {"--design", "backcross", "--individuals", "100", "--pve", "0.1", "--noncentrality", "3"},
         "--noncentrality: not with --pve, which gives it with --individuals"},
        {"target-power",
         "Target power: '1' is not between 0 and 1",
         {"--design", "backcross", "--pve", "0.1", "--target-power", "1"},
         "--target-power: '1' is not between 0 and 1"},
        {"target-power",
         "Target power: not with both Share of variance and Individuals: it solves for the one "
         "not given",
         {"--design", "backcross", "--pve", "0.1", "--individuals", "100", "--target-power", "0.8"},
         "--target-power: not with both --pve and --individuals: it solves for the one not given"},
        {"target-power",
         "Target power: not with Noncentrality, which it solves for",
         {"--design", "sibs", "--noncentrality", "2", "--target-power", "0.8"},
         "--target-power: not with --noncentrality, which it solves for"},
        {"lod",
         "Peaks' LOD scores: not with power rows (Share of variance, Noncentrality, Target power)",
         {"--design", "sibs", "--lod", "3", "--noncentrality", "2"},
         "--lod: not with power rows (--pve, --noncentrality, --target-power)"},
        {"scan",
         "Scan: interval: not with power rows (Share of variance, Noncentrality, Target power), "
         "whose scan is at the markers",
         {"--design", "backcross", "--spacing", "10", "--scan", "interval", "--pve", "0.1",
          "--individuals", "100"},
         "--scan: interval: not with power rows (--pve, --noncentrality, --target-power), whose "
         "scan is at the markers"},
    };
    for (const auto& b : bad) {
        const Request page = request(b.options);
        const std::string answer = web::calculate_json(page);
        EXPECT_EQ(answer, "{\"errors\":[{\"field\":\"" + std::string(b.field) +
                              "\",\"message\":" + json_string(b.message) + "}]}")
            << b.field;
        EXPECT_EQ(web::csv_text(page), "") << b.field;
        EXPECT_EQ(run_cli(b.options).err,
                  std::string("lodthresh: ") + b.command_line + "\nTry 'lodthresh --help'.\n");
    }
}

// The command line reports the first bad value; the page shows each beside
// its field, the effect's after the others.
TEST(Page, EachBadValueIsBesideItsOwnField) {
    const std::string answer =
        web::calculate_json(request({"-G", "-3", "--design", "backcross", "--pve", "2",
                                     "--target-power", "0", "--spacing", "0"}));
    EXPECT_EQ(answer,
              "{\"errors\":[{\"field\":\"length\",\"message\":\"Length: '-3' is not above "
              "0\"},{\"field\":\"pve\",\"message\":\"Share of variance: '2' is not between 0 "
              "and 1\"},{\"field\":\"target-power\",\"message\":\"Target power: '0' is not "
              "between 0 and 1\"}]}");
}

// The command shown gives the same rows: the effect's options kept, and the
// designs mode selected as for threshold rows.
TEST(Page, TheCommandShownKeepsTheEffectsOptions) {
    const Request page = request(
        {"--design", "intercross", "--pve", "0.1", "--dominance", "0.5", "--target-power", "0.8"});
    EXPECT_NE(web::calculate_json(page).find(
                  "\"command\":\"lodthresh --design intercross --pve 0.1 --dominance 0.5 "
                  "--target-power 0.8\""),
              std::string::npos);
    const Request plain = request({"--noncentrality", "2,3"});
    EXPECT_NE(web::calculate_json(plain).find(
                  "\"command\":\"lodthresh --spacing 0 --noncentrality 2,3\""),
              std::string::npos);
}

// Whether a design asked for has a dominance ratio, for the page to show
// its field; power rows say they are.
TEST(Page, AnAnswerSaysWhetherTheDominanceRatioApplies) {
    const std::string intercross = web::calculate_json(request({"--design", "sibs,intercross"}));
    EXPECT_NE(intercross.find("\"dominance_applies\":true"), std::string::npos);
    EXPECT_EQ(intercross.find("\"power\":true"), std::string::npos);
    const std::string backcross = web::calculate_json(
        request({"--design", "backcross", "--pve", "0.1", "--individuals", "100"}));
    EXPECT_NE(backcross.find("\"dominance_applies\":false"), std::string::npos);
    EXPECT_NE(backcross.find("\"power\":true"), std::string::npos);
}

// Power rows on a map: the command line's for the same file.
TEST(Page, PowerRowsOnAMapAreTheCommandLines) {
    const testing::TempDir dir;
    const std::string path = dir.file("gmap.csv");
    std::ofstream(path) << kMap;
    const std::vector<std::string> options = {
        "--design", "backcross,intercross", "--pve", "0.1", "--individuals", "100,300", "-a",
        "all"};
    std::vector<std::string> on_file = options;
    on_file.insert(on_file.end(), {"--map", path, "-f", "csv"});
    const Outcome expected = run_cli(on_file);
    ASSERT_EQ(expected.err, "");
    std::string csv = expected.out;
    for (std::size_t at = csv.find(path); at != std::string::npos; at = csv.find(path, at)) {
        csv.replace(at, path.size(), "gmap.csv");
    }
    EXPECT_EQ(web::csv_text(on_map(options, "gmap.csv", kMap)), csv);
}

// The numbers of the JSON array of arrays after "key": in `json` (the
// page's plots hold no other nested arrays of numbers), from `from` on.
std::vector<std::vector<double>> arrays_after(const std::string& json, const std::string& key,
                                              std::size_t from = 0) {
    std::vector<std::vector<double>> out;
    std::size_t at = json.find("\"" + key + "\":[[", from);
    if (at == std::string::npos) {
        return out;
    }
    at += key.size() + 4;
    const std::size_t end = json.find("]]", at);
    std::istringstream in(json.substr(at, end - at));
    for (std::string array; std::getline(in, array, ']');) {
        std::vector<double> values;
        std::istringstream items(array.substr(array.find_first_not_of(",[")));
        for (std::string item; std::getline(items, item, ',');) {
            values.push_back(item == "null" ? std::nan("") : std::strtod(item.c_str(), nullptr));
        }
        out.push_back(values);
    }
    return out;
}

// The numbers of the JSON array after "key":, from `from` on.
std::vector<double> array_after(const std::string& json, const std::string& key,
                                std::size_t from = 0) {
    std::size_t at = json.find("\"" + key + "\":[", from);
    if (at == std::string::npos) {
        return {};
    }
    at += key.size() + 4;
    std::istringstream items(json.substr(at, json.find(']', at) - at));
    std::vector<double> values;
    for (std::string item; std::getline(items, item, ',');) {
        values.push_back(std::strtod(item.c_str(), nullptr));
    }
    return values;
}

// Power rows have per design a plot of the power against the individuals:
// one curve per level and share of variance, rising with n, on a
// logarithmic axis from 20 to 1000 individuals through each n of the table,
// where it is the table's power.
TEST(Page, APowerPlotPerDesignRisesWithTheIndividuals) {
    const std::vector<std::string> options = {
        "-G", "16", "-C",  "20",    "--design",      "backcross,intercross", "--spacing",
        "5",  "-a", "all", "--pve", "0.02,0.05,0.1", "--individuals",        "50,250,400"};
    const std::string answer = web::calculate_json(request(options));
    const std::size_t plots = answer.find("\"plots\":[");
    ASSERT_NE(plots, std::string::npos);
    std::vector<std::size_t> starts;
    for (std::size_t at = answer.find("{\"kind\":\"power\"", plots); at != std::string::npos;
         at = answer.find("{\"kind\":\"power\"", at + 1)) {
        starts.push_back(at);
    }
    ASSERT_EQ(starts.size(), 2U);
    // The csv's rows: design, alpha, individuals, pve and power by name.
    std::istringstream csv(web::csv_text(request(options)));
    std::string line;
    std::getline(csv, line);
    std::vector<std::string> names;
    std::istringstream header(line);
    for (std::string name; std::getline(header, name, ',');) {
        names.push_back(name);
    }
    const auto column = [&names](const char* name) {
        return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                        names.begin());
    };
    std::vector<std::vector<std::string>> rows;
    while (std::getline(csv, line)) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, ',');) {
            fields.push_back(field);
        }
        rows.push_back(fields);
    }
    ASSERT_EQ(rows.size(), 2U * 3U * 3U * 3U);
    const char* const levels[] = {"1", "0.05", "0.001"};
    const char* const pves[] = {"0.02", "0.05", "0.1"};
    for (std::size_t d = 0; d < starts.size(); ++d) {
        const std::vector<double> n = array_after(answer, "individuals", starts[d]);
        const std::vector<std::vector<double>> curves = arrays_after(answer, "curves", starts[d]);
        ASSERT_EQ(curves.size(), 9U);  // 3 levels x 3 shares
        EXPECT_EQ(n.front(), 20.0);
        EXPECT_EQ(n.back(), 1000.0);
        EXPECT_EQ(array_after(answer, "x_ticks", starts[d]),
                  (std::vector<double>{20, 50, 100, 200, 500, 1000}));
        for (std::size_t i = 1; i < n.size(); ++i) {
            EXPECT_GT(n[i], n[i - 1]);
        }
        for (std::size_t c = 0; c < curves.size(); ++c) {
            ASSERT_EQ(curves[c].size(), n.size());
            for (std::size_t i = 1; i < n.size(); ++i) {
                EXPECT_GE(curves[c][i], curves[c][i - 1]) << d << " curve " << c << " at " << n[i];
            }
            EXPECT_GT(curves[c].back(), curves[c].front()) << d << " curve " << c;
        }
        // At each n of the table, the curve of the row's level and share is
        // the row's power (to the csv's 17 digits).
        int matched = 0;
        for (const std::vector<std::string>& row : rows) {
            if ((row[column("design")] == "backcross") != (d == 0)) {
                continue;
            }
            const std::size_t level = static_cast<std::size_t>(
                std::find(std::begin(levels), std::end(levels), row[column("alpha")]) -
                std::begin(levels));
            const std::size_t share = static_cast<std::size_t>(
                std::find(std::begin(pves), std::end(pves), row[column("pve")]) - std::begin(pves));
            ASSERT_LT(level, 3U);
            ASSERT_LT(share, 3U);
            const std::size_t at = static_cast<std::size_t>(
                std::find(n.begin(), n.end(),
                          std::strtod(row[column("individuals")].c_str(), nullptr)) -
                n.begin());
            ASSERT_LT(at, n.size());
            EXPECT_EQ(curves[level * 3 + share][at],
                      std::strtod(row[column("power")].c_str(), nullptr));
            ++matched;
        }
        EXPECT_EQ(matched, 27);
    }
    EXPECT_NE(answer.find("\"genome\":\"16 M on 20 chromosomes, markers 5 cM apart\""),
              std::string::npos);
    EXPECT_NE(answer.find("\"dominance\":\"0\""), std::string::npos);  // intercross only
}

// Solved individuals widen the axis past 1000 and are points of the curve,
// the target power a line; the curve reaches the target at the row's n and
// not one individual before.
TEST(Page, APowerPlotShowsTheTargetAndTheSolvedIndividuals) {
    const std::vector<std::string> options = {"--design", "backcross", "--spacing",      "0",
                                              "--pve",    "0.01",      "--target-power", "0.8"};
    const std::string answer = web::calculate_json(request(options));
    std::istringstream csv(web::csv_text(request(options)));
    std::string header;
    std::string row;
    std::getline(csv, header);
    std::getline(csv, row);
    std::vector<std::string> names;
    std::vector<std::string> fields;
    std::istringstream h(header);
    std::istringstream r(row);
    for (std::string x; std::getline(h, x, ',');) {
        names.push_back(x);
    }
    for (std::string x; std::getline(r, x, ',');) {
        fields.push_back(x);
    }
    const auto field = [&](const char* name) {
        return fields[static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                               names.begin())];
    };
    ASSERT_EQ(field("status"), "ok");
    const double solved = std::strtod(field("individuals").c_str(), nullptr);
    ASSERT_GT(solved, 1000.0);
    const std::vector<double> n = array_after(answer, "individuals");
    const std::vector<std::vector<double>> curves = arrays_after(answer, "curves");
    ASSERT_EQ(curves.size(), 1U);
    EXPECT_EQ(array_after(answer, "targets"), std::vector<double>{0.8});
    EXPECT_GE(n.back(), solved);
    const std::size_t at =
        static_cast<std::size_t>(std::find(n.begin(), n.end(), solved) - n.begin());
    ASSERT_LT(at, n.size());
    EXPECT_GE(curves[0][at], 0.8);
    EXPECT_LT(curves[0][at - 1], 0.8);
    EXPECT_EQ(curves[0][at], std::strtod(field("power").c_str(), nullptr));
}

// An effect given as a noncentrality does not change with the individuals:
// no plot.
TEST(Page, NoncentralitiesHaveNoPlot) {
    const std::string answer =
        web::calculate_json(request({"--design", "sibs", "--noncentrality", "3"}));
    EXPECT_NE(answer.find("\"power\":true"), std::string::npos);
    EXPECT_NE(answer.find("\"plots\":[]"), std::string::npos);
}

// The "csv" of a simulated answer, unescaped.
std::string csv_member(const std::string& answer) {
    const std::string key = "\"csv\":\"";
    std::size_t at = answer.find(key);
    if (at == std::string::npos) {
        return "";
    }
    std::string csv;
    for (at += key.size(); at < answer.size() && answer[at] != '"'; ++at) {
        if (answer.compare(at, 6, "\\u000a") == 0) {
            csv += '\n';  // the only character of a csv that JSON escapes
            at += 5;
        } else {
            csv += answer[at];
        }
    }
    return csv;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');) {
        out.push_back(field);
    }
    if (!line.empty() && line.back() == ',') {
        out.emplace_back();
    }
    return out;
}

// The page's limit stops a simulation of markers 5 cM apart and of the dense
// map, whose scans take some twenty times as long: whenever it stops, no
// dense row has simulated values unless every 5 cM row has them (here, at 1 s,
// the 5 cM rows are done and the dense ones not, but the test does not rest on
// the machine's speed), the simulated 5 cM rows are the command line's for
// that spacing, and the rows keep the command line's order.
TEST(Page, TheRowsAtMarkersAreSimulatedBeforeTheDenseMap) {
    const std::vector<std::string> options = {
        "-G",     "16",   "-C",        "20",  "--design",   "backcross,intercross,sibs,ril-selfing",
        "-a",     "0.05", "--spacing", "0,5", "--simulate", "10000",
        "--seed", "7",    "--threads", "1"};
    const std::string answer =
        web::calculate_json(request(options), std::chrono::milliseconds(1000));
    const std::vector<std::string> page = lines_of(csv_member(answer));
    std::vector<std::string> at_markers = options;
    at_markers[9] = "5";
    const std::vector<std::string> cli = lines_of(run_cli(with(at_markers, "csv")).out);
    std::vector<std::string> unsimulated = options;
    unsimulated.resize(10);
    const std::vector<std::string> order = lines_of(run_cli(with(unsimulated, "csv")).out);
    ASSERT_EQ(page.size(), 9U) << answer;
    ASSERT_EQ(cli.size(), 5U);
    ASSERT_EQ(order.size(), 9U);
    const std::vector<std::string> header = fields_of(page.front());
    ASSERT_EQ(header[7], "spacing_cm");
    ASSERT_EQ(header.back(), "sim_level_se");
    EXPECT_EQ(page.front(), cli.front());
    std::size_t five = 1;
    std::size_t markers_simulated = 0;
    bool dense_simulated = false;
    for (std::size_t i = 1; i < page.size(); ++i) {
        const std::vector<std::string> fields = fields_of(page[i]);
        ASSERT_EQ(fields.size(), header.size()) << page[i];
        // The command line's row without its simulated values.
        const std::vector<std::string> expected = fields_of(order[i]);
        EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.begin() + 11), expected)
            << page[i];
        const bool simulated = !fields[11].empty() || !fields[13].empty();
        if (fields[7] == "5") {
            if (simulated) {
                EXPECT_EQ(page[i], cli[five]);
                ++markers_simulated;
            }
            ++five;
        } else {
            EXPECT_EQ(fields[7], "0");
            dense_simulated = dense_simulated || simulated;
        }
    }
    EXPECT_EQ(five, cli.size());
    if (dense_simulated) {
        EXPECT_EQ(markers_simulated, cli.size() - 1)
            << "a dense map was simulated before the rows at markers: " << answer;
    }
}

// With a simulation each threshold plot holds the simulated thresholds of
// its design's rows: at each spacing simulated the row's sim_lod with its bar
// of -+2 sim_se, null where the row has none (0.001 of 500 scans); the axis
// reaches the widest spacing.
TEST(Page, AThresholdPlotHoldsTheRowsSimulatedThresholds) {
    const std::vector<std::string> options = {
        "-G",     "16",  "-C",        "20",     "--design",   "backcross,intercross",
        "-a",     "all", "--spacing", "0,5,30", "--simulate", "500",
        "--seed", "7",   "--threads", "1"};
    const std::string answer = web::calculate_json(request(options));
    const std::vector<std::string> csv = lines_of(csv_member(answer));
    ASSERT_EQ(csv.size(), 1U + 2U * 3U * 3U) << answer;
    const std::vector<std::string> header = fields_of(csv.front());
    const auto column = [&header](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    const std::size_t plots = answer.find("\"plots\":[");
    ASSERT_NE(plots, std::string::npos);
    const char* const designs[] = {"backcross", "intercross"};
    const std::vector<double> spacings = {0, 5, 30};
    std::size_t from = plots;
    int nulls = 0;
    for (const char* design : designs) {
        from = answer.find("{\"design\":\"" + std::string(design) + ":", from);
        ASSERT_NE(from, std::string::npos) << design;
        EXPECT_EQ(array_after(answer, "sim_spacings_cm", from), spacings);
        EXPECT_GE(array_after(answer, "x_ticks", from).back(), 30.0);
        const std::vector<std::vector<double>> sim = arrays_after(answer, "sim", from);
        const std::vector<std::vector<double>> low = arrays_after(answer, "sim_low", from);
        const std::vector<std::vector<double>> high = arrays_after(answer, "sim_high", from);
        ASSERT_EQ(sim.size(), 3U);
        ASSERT_EQ(low.size(), 3U);
        ASSERT_EQ(high.size(), 3U);
        const double top = array_after(answer, "y_ticks", from).back();
        int matched = 0;
        for (std::size_t r = 1; r < csv.size(); ++r) {
            const std::vector<std::string> row = fields_of(csv[r]);
            if (row[column("design")] != design) {
                continue;
            }
            const std::size_t a = (r - 1) % 9 / 3;  // each level at each spacing
            const std::size_t k = static_cast<std::size_t>(
                std::find(spacings.begin(), spacings.end(),
                          std::strtod(row[column("spacing_cm")].c_str(), nullptr)) -
                spacings.begin());
            ASSERT_LT(k, 3U) << csv[r];
            ASSERT_EQ(sim[a].size(), 3U);
            const std::string& lod = row[column("sim_lod")];
            if (lod.empty()) {
                EXPECT_TRUE(std::isnan(sim[a][k]) && std::isnan(low[a][k]) &&
                            std::isnan(high[a][k]))
                    << csv[r];
                ++nulls;
            } else {
                const double value = std::strtod(lod.c_str(), nullptr);
                const double se = std::strtod(row[column("sim_se")].c_str(), nullptr);
                EXPECT_EQ(sim[a][k], value) << csv[r];
                EXPECT_EQ(low[a][k], value - 2.0 * se) << csv[r];
                EXPECT_EQ(high[a][k], value + 2.0 * se) << csv[r];
                EXPECT_LE(high[a][k], top) << csv[r];
            }
            ++matched;
        }
        EXPECT_EQ(matched, 9) << design;
    }
    EXPECT_EQ(nulls, 6);  // 0.001 of 500 scans: fewer than 10 expected above it
    // Without a simulation, none.
    std::vector<std::string> unsimulated = options;
    unsimulated.resize(10);
    EXPECT_EQ(web::calculate_json(request(unsimulated)).find("sim_spacings_cm"), std::string::npos);
}

// A map's simulated thresholds are at its mean spacing, where its own
// threshold is.
TEST(Page, AMapsSimulatedThresholdsAreAtItsMeanSpacing) {
    const std::string answer = web::calculate_json(
        on_map({"--design", "sibs", "-a", "0.05", "--simulate", "300"}, "gmap.csv", kMap));
    const std::size_t plots = answer.find("\"plots\":[");
    ASSERT_NE(plots, std::string::npos);
    const std::size_t at = answer.find("\"map_spacing_cm\":", plots);
    ASSERT_NE(at, std::string::npos);
    const double spacing = std::strtod(answer.c_str() + at + 17, nullptr);
    EXPECT_EQ(array_after(answer, "sim_spacings_cm", plots), std::vector<double>{spacing});
    const std::vector<std::vector<double>> sim = arrays_after(answer, "sim", plots);
    ASSERT_EQ(sim.size(), 1U);
    ASSERT_EQ(sim[0].size(), 1U);
    const std::vector<std::string> csv = lines_of(csv_member(answer));
    ASSERT_EQ(csv.size(), 2U);
    const std::vector<std::string> header = fields_of(csv[0]);
    const std::vector<std::string> row = fields_of(csv[1]);
    const std::size_t lod = static_cast<std::size_t>(
        std::find(header.begin(), header.end(), "sim_lod") - header.begin());
    EXPECT_EQ(sim[0][0], std::strtod(row[lod].c_str(), nullptr));
}

}  // namespace
}  // namespace lodthresh
