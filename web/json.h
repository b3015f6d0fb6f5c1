// The JSON of the page's answers: strings, numbers and arrays of them.
#ifndef LODTHRESH_WEB_JSON_H
#define LODTHRESH_WEB_JSON_H

#include <cstddef>
#include <string>
#include <vector>

namespace lodthresh::web {

// Every string the page gets is the program's own text, a message quoting
// what the user typed, or the name of a file.
void append_string(const std::string& text, std::string& out);

// Every bit of the double, as the command line's machine formats write it;
// null where there is no value.
void append_number(double value, std::string& out);

// Every bit of a plotted value, in one printf: seventeen digits read back as
// the same double, and the plots need no shorter text; null where there is
// no value.
void append_plotted(double value, std::string& out);

template <typename T, typename Append>
void append_array(const std::vector<T>& values, Append append, std::string& out) {
    out += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        out += i == 0 ? "" : ",";
        append(values[i], out);
    }
    out += ']';
}

// Arrays of plotted values and of strings.
void append_numbers(const std::vector<double>& values, std::string& out);
void append_strings(const std::vector<std::string>& values, std::string& out);

// An object's members after its first, as ,"key":value with the value
// written by its type: a plotted number, an array of them or of such arrays,
// an array of strings.
class Members {
  public:
    explicit Members(std::string& out) : out_(out) {}
    Members& operator()(const char* name, double value);
    Members& operator()(const char* name, const std::vector<double>& values);
    Members& operator()(const char* name, const std::vector<std::vector<double>>& values);
    Members& operator()(const char* name, const std::vector<std::string>& values);

  private:
    void key(const char* key);
    std::string& out_;
};

}  // namespace lodthresh::web

#endif  // LODTHRESH_WEB_JSON_H
