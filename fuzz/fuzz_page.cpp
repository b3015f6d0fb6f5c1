// libFuzzer target: the page model with arbitrary inputs and map text.
//
// The input's first nine lines are the page's fields (length, chromosomes,
// design, rate, tail, alpha, spacing, seed, map name); the rest is the map's
// text, read when the map name is not empty. Every answer must be one valid
// JSON object, with "errors" first; the csv must not throw.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/page.h"

namespace {

// Lists and 'all' multiply: requests for more rows than this are skipped, so
// that each run stays short (every row also brings points of the plots).
constexpr double kMaxRows = 500;

void require(bool property) {
    if (!property) {
        std::abort();
    }
}

double rows_asked_for(const lodthresh::web::Request& request) {
    double rows = 1;
    for (const std::string* field :
         {&request.length, &request.chromosomes, &request.design, &request.rate, &request.alpha,
          &request.spacing, &request.lod}) {
        double elements = 1;
        for (const char c : *field) {
            elements += c == ',' ? 1 : 0;
        }
        const bool all = field->find("all") != std::string::npos;
        rows *= elements * (all ? 14 : 1);  // 'all' is at most the 14 designs
    }
    return rows;
}

// A recursive-descent check of RFC 8259 JSON: true when `text` from `at` on
// is one value (and `at` then just past it).
class JsonCheck {
  public:
    explicit JsonCheck(std::string_view text) : text_(text) {}

    bool whole() { return value(0) && (skip_space(), at_ == text_.size()); }

  private:
    static constexpr int kMaxDepth = 64;

    void skip_space() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }

    bool literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    bool digits() {
        const std::size_t start = at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
            ++at_;
        }
        return at_ > start;
    }

    bool number() {
        literal("-");
        if (!literal("0") && !digits()) {
            return false;
        }
        if (literal(".") && !digits()) {
            return false;
        }
        if (literal("e") || literal("E")) {
            if (!literal("+")) {
                literal("-");
            }
            return digits();
        }
        return true;
    }

    bool string() {
        if (!literal("\"")) {
            return false;
        }
        while (at_ < text_.size()) {
            const unsigned char c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') {
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c == '\\') {
                if (at_ >= text_.size()) {
                    return false;
                }
                const char escaped = text_[at_++];
                if (escaped == 'u') {
                    for (int i = 0; i < 4; ++i) {
                        if (at_ >= text_.size() ||
                            !std::isxdigit(static_cast<unsigned char>(text_[at_++]))) {
                            return false;
                        }
                    }
                } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
                    return false;
                }
            }
        }
        return false;
    }

    // Elements of an array (close ']') or members of an object (close '}').
    bool members(int depth, char close, bool named) {
        skip_space();
        if (literal(std::string_view(&close, 1))) {
            return true;
        }
        for (;;) {
            skip_space();
            if (named && !(string() && (skip_space(), literal(":")))) {
                return false;
            }
            if (!value(depth + 1)) {
                return false;
            }
            skip_space();
            if (literal(std::string_view(&close, 1))) {
                return true;
            }
            if (!literal(",")) {
                return false;
            }
        }
    }

    bool value(int depth) {
        skip_space();
        if (depth > kMaxDepth || at_ >= text_.size()) {
            return false;
        }
        switch (text_[at_]) {
            case '{':
                ++at_;
                return members(depth, '}', true);
            case '[':
                ++at_;
                return members(depth, ']', false);
            case '"':
                return string();
            case 't':
                return literal("true");
            case 'f':
                return literal("false");
            case 'n':
                return literal("null");
            default:
                return number();
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    lodthresh::web::Request request;
    std::string* const fields[] = {
        &request.length, &request.chromosomes, &request.design, &request.rate, &request.tail,
        &request.alpha,  &request.spacing,     &request.seed,   &request.lod,  &request.map_name};
    std::size_t start = 0;
    for (std::string* field : fields) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        if (start < input.size()) {
            *field = std::string(input.substr(start, end - start));
        }
        start = end + 1;
    }
    if (start < input.size()) {
        request.map_text = std::string(input.substr(start));
    }
    // No simulation: the page stops one only after seconds, a timeout here.
    if (rows_asked_for(request) > kMaxRows) {
        return 0;
    }
    const std::string answer = lodthresh::web::calculate_json(request);
    require(answer.rfind("{\"errors\":[", 0) == 0);
    require(JsonCheck(answer).whole());
    const std::string csv = lodthresh::web::csv_text(request);
    const bool has_table = answer.find("\"rows\":") != std::string::npos;
    require(csv.empty() != has_table);
    require(JsonCheck(lodthresh::web::designs_json()).whole());
    return 0;
}
