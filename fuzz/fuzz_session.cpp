// libFuzzer target: a whole run of the program driven by arbitrary keystrokes.
//
// Every input must end the run (the end of the input ends it), nothing may
// crash, the console output must stay within a linear bound of the input, and
// with saving on the results file must hold only whole blocks.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "console/driver.h"

namespace {

std::string g_results_path;  // set once, in LLVMFuzzerInitialize

// Discards what the numerics library writes to std::cerr.
class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
};
NullBuffer g_null_buffer;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string kClosing = "\n\n*********************************************************\n\n";
const std::string kHeaderEnd = "\n\n**************************************************************";
const char* const kEchoLabels[] = {
    "\n\nLength of genomic region in Morgan\t=\t", "\nNumber of chromosomes\t\t\t=\t",
    "\nCross over rate\t\t\t\t=\t", "\nGlobal significance level\t\t=\t", "\nPrecision\t\t\t\t=\t"};

// The file is a header block, then for each calculation an echo block and
// an outcome (results or "No results") closed by the asterisk line.
bool whole_blocks(const std::string& file) {
    if (file.empty()) {
        return true;
    }
    std::size_t at = file.find(kHeaderEnd);
    if (file.rfind("*****", 0) != 0 || at == std::string::npos) {
        return false;
    }
    at += kHeaderEnd.size();
    while (at < file.size()) {
        for (const char* label : kEchoLabels) {
            if (file.compare(at, std::strlen(label), label) != 0) {
                return false;
            }
            at = file.find_first_of('\n', at + std::strlen(label));
            if (at == std::string::npos) {
                return false;
            }
        }
        if (file.compare(at, 17, "\n\nNominal alpha\t\t") != 0 &&
            file.compare(at, 13, "\n\nNo results:") != 0) {
            return false;
        }
        const std::size_t end = file.find(kClosing, at);
        if (end == std::string::npos) {
            return false;
        }
        at = end + kClosing.size();
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "lodthresh-fuzz-XXXXXX").string();
    g_results_path = std::string(mkdtemp(pattern.data())) + "/veskLOD.res";
    std::cerr.rdbuf(&g_null_buffer);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::remove(g_results_path.c_str());
    std::string keys(reinterpret_cast<const char*>(data), size);
    std::FILE* in = size > 0 ? fmemopen(keys.data(), size, "r") : std::fopen("/dev/null", "r");
    char* console = nullptr;
    std::size_t console_size = 0;
    std::FILE* out = open_memstream(&console, &console_size);
    std::FILE* err = std::fopen("/dev/null", "w");

    const int status = lodthresh::run(in, out, err, g_results_path.c_str());

    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    free(console);
    if (status != 0) {
        std::abort();
    }
    // The banner and the closing line, then at most about 1 KiB a keystroke:
    // a value near 1.8e308 shown as "%.10lf" takes some 320 characters, and a
    // single Enter at a check's re-prompt shows it again with the message.
    if (console_size > 2048 + 1024 * size) {
        std::abort();
    }
    if (!whole_blocks(read_file(g_results_path))) {
        std::abort();
    }
    return 0;
}
