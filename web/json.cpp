#include "web/json.h"

#include <cmath>
#include <cstdio>

#include "table/format.h"
#include "table/shortest.h"

namespace lodthresh::web {

void append_string(const std::string& text, std::string& out) {
    table::append_json_string(text, out);
}

void append_number(double value, std::string& out) {
    if (std::isfinite(value)) {
        table::append_shortest(value, out);
    } else {
        out += "null";
    }
}

void append_plotted(double value, std::string& out) {
    if (std::isfinite(value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", value);
        out += text;
    } else {
        out += "null";
    }
}

void append_numbers(const std::vector<double>& values, std::string& out) {
    append_array(values, append_plotted, out);
}

void append_strings(const std::vector<std::string>& values, std::string& out) {
    append_array(values, append_string, out);
}

void Members::key(const char* key) {
    out_ += ",\"";
    out_ += key;
    out_ += "\":";
}

Members& Members::operator()(const char* name, double value) {
    key(name);
    append_plotted(value, out_);
    return *this;
}

Members& Members::operator()(const char* name, const std::vector<double>& values) {
    key(name);
    append_numbers(values, out_);
    return *this;
}

Members& Members::operator()(const char* name, const std::vector<std::vector<double>>& values) {
    key(name);
    append_array(values, append_numbers, out_);
    return *this;
}

Members& Members::operator()(const char* name, const std::vector<std::string>& values) {
    key(name);
    append_strings(values, out_);
    return *this;
}

}  // namespace lodthresh::web
