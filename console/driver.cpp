#include "console/driver.h"

#include <iostream>
#include <ostream>
#include <streambuf>
#include <string>

#include "console/dialogue.h"
#include "console/report.h"
#include "console/terminal.h"
#include "numerics/numerics.h"
#include "threshold/threshold.h"

namespace lodthresh {

namespace {

// Pieces 1 to 8 of the banner: also the header block of the results file.
constexpr char kBannerHead[] =
    "**************************************************************"
    "\nCalculation of nominal significance levels and critical LOD"
    "\nscores according to Lander and Kruglyak (Nature Genetics 1995)"
    "\n\nlodthresh, written by the lodthresh developers"
    "\n\tThe lodthresh project"
    "\n\tOpen-source scientific software, international"
    "\n\nCopyright (c) 2026 the lodthresh developers"
    "\n\n(No garantuee for correctness of results)";

constexpr char kBannerTail[] =
    "\n\n***************************************************************"
    "\n\nFor help please enter ?";

constexpr char kSaveQuestion[] = "\n\nResults are only shown or also saved (s)";

constexpr char kSaveHelp[] =
    "\n\nEntering (s) saves the results as veskLOD.res"
    "\nin current file.";

constexpr char kHeaderTail[] = "\n\n**************************************************************";

constexpr char kContinueQuestion[] = "\n\nFurther calculations or end (e)?\t";

constexpr char kPrecisionNotReached[] =
    "\n\nNo results: the requested precision cannot be reached for these parameters.";
constexpr char kCalculationFailed[] =
    "\n\nNo results: the calculation failed for these parameters.";

// The answer whose first character c has been read: a bare Enter stores 'a';
// any other character is the answer, and the one behind it (its line end) is
// read and discarded. EOF when the input has ended before the answer.
int finish_answer(Terminal& terminal, int c) {
    if (c == '\n') {
        return 'a';
    }
    if (c != EOF) {
        terminal.read_char();
    }
    return c;
}

int read_answer(Terminal& terminal) {
    return finish_answer(terminal, terminal.read_char());
}

// The save-mode question, with its help offered once.
int ask_save_mode(Terminal& terminal) {
    terminal.print(kSaveQuestion);
    const int c = terminal.read_char();
    if (c != '?') {
        return finish_answer(terminal, c);
    }
    terminal.print(kSaveHelp);
    terminal.read_char();  // normally the line end behind the '?'
    terminal.print(kSaveQuestion);
    return read_answer(terminal);
}

// Keeps the console output ahead of the numerics library's message, which it
// writes to std::cerr from inside the search: for as long as this object
// lives, std::cerr is tied to a stream whose flush flushes the console output
// (and the stream that std::cerr was tied to before, std::cout by default).
// std::cerr flushes its tied stream before each of its outputs, so whatever
// the console holds is out before the message, in one merged stream too, and
// a calculation that raises nothing costs no write.
class ConsoleAheadOfCerr {
  public:
    // The flusher takes the old tie before the new one is set (members are
    // initialised in their order of declaration).
    explicit ConsoleAheadOfCerr(std::FILE* out)
        : flusher_(out, std::cerr.tie()), stream_(&flusher_), previous_(std::cerr.tie(&stream_)) {}
    ~ConsoleAheadOfCerr() { std::cerr.tie(previous_); }
    ConsoleAheadOfCerr(const ConsoleAheadOfCerr&) = delete;
    ConsoleAheadOfCerr& operator=(const ConsoleAheadOfCerr&) = delete;

  private:
    class Flusher : public std::streambuf {
      public:
        Flusher(std::FILE* out, std::ostream* previous) : out_(out), previous_(previous) {}

      protected:
        // Console output is not checked write by write; a failed flush must
        // not stop the later ones.
        int sync() override {
            if (previous_ != nullptr) {
                previous_->flush();
            }
            std::fflush(out_);
            return 0;
        }

      private:
        std::FILE* out_;
        std::ostream* previous_;
    };

    Flusher flusher_;
    std::ostream stream_;
    std::ostream* previous_;
};

// One calculation after its dialogue: search, console block, file block. A
// calculation without a result says why, in place of the results.
void calculate(std::FILE* out, const ResultsFile* file, const ThresholdParameters& parameters) {
    const char* no_result = nullptr;
    try {
        const ThresholdResult result = compute_thresholds(parameters);
        print_results(out, result);
        if (file != nullptr) {
            append_results(*file, result);
        }
        return;
    } catch (const PrecisionNotReached&) {
        no_result = kPrecisionNotReached;
    } catch (const Numerics_1_1::Exception&) {
        // The library has written its two lines to standard error already.
        no_result = kCalculationFailed;
    }
    std::fputs(no_result, out);
    if (file != nullptr) {
        file->append(std::string(no_result) + kClosingLine);
    }
}

// Calculations until the answer 'e' at the continue question, or the end of
// the input, which ends the run at whatever question it meets.
void run_calculations(Terminal& terminal, std::FILE* out, const ResultsFile* file,
                      ThresholdParameters& parameters) {
    while (ask_parameters(terminal, parameters)) {
        if (file != nullptr) {
            append_parameter_echo(*file, parameters);
        }
        calculate(out, file, parameters);
        terminal.print(kContinueQuestion);
        const int answer = read_answer(terminal);
        if (answer == 'e' || answer == EOF) {
            return;
        }
        terminal.print(kClosingLine);
    }
}

}  // namespace

int run(std::FILE* in, std::FILE* out, std::FILE* err, const char* results_path) {
    Terminal terminal(in, out);
    const ConsoleAheadOfCerr console_ahead(out);
    const ResultsFile results_file(results_path, out, err);
    ThresholdParameters parameters;

    terminal.print(kBannerHead);
    terminal.print(kBannerTail);
    const int save_mode = ask_save_mode(terminal);
    if (save_mode != EOF) {
        // Only the lowercase 's' saves.
        const ResultsFile* file = save_mode == 's' ? &results_file : nullptr;
        if (file != nullptr) {
            file->append(std::string(kBannerHead) + kHeaderTail);
        }
        run_calculations(terminal, out, file, parameters);
    }
    // After the last answer, as after every answer to the continue question.
    terminal.print(kClosingLine);
    std::fflush(out);
    return 0;
}

}  // namespace lodthresh
