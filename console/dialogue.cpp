#include "console/dialogue.h"

#include <cmath>
#include <cstdio>

namespace lodthresh {

namespace {

// One parameter of the dialogue: how it is asked, shown, explained and checked.
struct ParameterRow {
    double ThresholdParameters::*field;
    const char* first_prompt;
    const char* help_reprompt;
    // Asks again after a rejected value or an entry that is not a number.
    const char* error_reprompt;
    const char* format;
    const char* prompt_close;
    const char* help;
    // Null for the rows without a check.
    bool (*rejects)(double value, const ThresholdParameters& parameters);
    const char* error;
};

bool not_whole(double value, const ThresholdParameters&) {
    const double remainder = std::fmod(value, 1.0);
    return remainder < 0.0 || remainder > 0.0;
}

bool not_below_one(double value, const ThresholdParameters&) {
    return value >= 1.0;
}

// Compared with the level accepted at the previous row of the same dialogue.
bool not_below_level(double value, const ThresholdParameters& parameters) {
    return value >= parameters.significance;
}

constexpr char kCrossOverHelp[] =
    "\n\nCross over rate according to Lander and Kruglyak (table 1):"
    "\n\n\tMapping method\t\t\tCross over rate\n"
    "\n--------------------------------------------------------------\n"
    "\tLOD score analysis\t\t\t1\n"
    "\tAllele sharing in\n"
    "\t\tSibs and half-sibs\t\t2\n"
    "\t\tGrandparent-grandchild\t\t1\n"
    "\t\tUncle-nephew\t\t\t2.5\n"
    "\t\tFirst cousin\t\t\t2.67\n"
    "\t\tFirst cousin, once removed\t2.86\n"
    "\t\tSecond cousin\t\t\t3.2\n\n";

constexpr ParameterRow kRows[] = {
    {&ThresholdParameters::genome_length, "\n\nLength of genomic region in Morgan\t[",
     "\n\nLength of genomic region in Morgan\t[", "\nLength of genomic region in Morgan\t[",
     "%.2lf", "]\t\t: ", "\n\nThe length of the human genome (default) equals 33M.", nullptr,
     nullptr},
    {&ThresholdParameters::chromosomes, "Number of chromosomes\t\t\t[",
     "\nNumber of chromosomes\t\t\t[", "\nNumber of chromosomes\t\t\t[", "%.0lf",
     "]\t\t: ", "\nThe number of human chromosomes totals 23.\n", not_whole,
     "\nError: Number of chromosomes must be an integer."},
    {&ThresholdParameters::crossover_rate, "Cross over rate\t\t\t\t[", "Cross over rate\t\t\t\t[",
     "\nCross over rate\t\t\t\t[", "%.0lf", "]\t\t: ", kCrossOverHelp, nullptr, nullptr},
    {&ThresholdParameters::significance, "Global significance level\t\t[",
     "\nGlobal significance level\t\t[", "\nGlobal significance level\t\t[", "%.4lf",
     "]\t: ", "\nNo help available.\n", not_below_one,
     "\nError: Global significance level must be less than 1."},
    {&ThresholdParameters::precision, "Precision\t\t\t\t[", "\nPrecision\t\t\t\t[",
     "\nPrecision\t\t\t\t[", "%.10lf", "]\t: ",
     "\nThe precision gives the maximally allowed difference between"
     "\nthe specified and the calculated global significance level.\n",
     not_below_level, "\nError: Precision must be less than global significance level."},
};

constexpr char kNotANumber[] = "\nError: Please enter a number.";

enum class Answer {
    kept,    // Enter: the field keeps its value
    number,  // a number was scanned into the field
    end,     // the input ended
};

void show_prompt(Terminal& terminal, const char* prompt, const ParameterRow& row, double value) {
    terminal.print(prompt);
    terminal.print_value(row.format, value);
    terminal.print(row.prompt_close);
}

// The answer at a prompt: a bare Enter keeps the field; anything else, '?'
// included, is a number entry. One character behind a number is read and
// discarded (normally the line end). An entry that is not a finite number
// leaves the field as it was, loses the rest of its line and is asked for
// again.
Answer read_entry(Terminal& terminal, const ParameterRow& row, double& field) {
    for (;;) {
        const int c = terminal.read_char();
        if (c == EOF) {
            return Answer::end;
        }
        if (c == '\n') {
            return Answer::kept;
        }
        terminal.push_back(c);
        double value = 0.0;
        switch (terminal.scan_number(&value)) {
            case Terminal::Scan::end:
                return Answer::end;
            case Terminal::Scan::number:
                field = value;
                terminal.read_char();
                return Answer::number;
            case Terminal::Scan::not_number:
                break;
        }
        terminal.discard_line();
        terminal.print(kNotANumber);
        show_prompt(terminal, row.error_reprompt, row, field);
    }
}

bool ask_parameter(Terminal& terminal, const ParameterRow& row, ThresholdParameters& parameters) {
    double& field = parameters.*row.field;
    show_prompt(terminal, row.first_prompt, row, field);
    const int c = terminal.read_char();
    if (c == EOF) {
        return false;
    }
    if (c == '\n') {
        return true;
    }
    if (c == '?') {
        terminal.print(row.help);
        terminal.read_char();  // normally the line end behind the '?'
        show_prompt(terminal, row.help_reprompt, row, field);
    } else {
        terminal.push_back(c);  // the first character of a number entry
    }
    const Answer answer = read_entry(terminal, row, field);
    if (answer != Answer::number) {
        return answer == Answer::kept;  // a kept value is never checked
    }
    // The rejected value stays in the field, so Enter submits it again.
    while (row.rejects != nullptr && row.rejects(field, parameters)) {
        terminal.print(row.error);
        show_prompt(terminal, row.error_reprompt, row, field);
        if (read_entry(terminal, row, field) == Answer::end) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ask_parameters(Terminal& terminal, ThresholdParameters& parameters) {
    terminal.print("\nEnter the following parameters:");
    for (const ParameterRow& row : kRows) {
        if (!ask_parameter(terminal, row, parameters)) {
            return false;
        }
    }
    return true;
}

}  // namespace lodthresh
