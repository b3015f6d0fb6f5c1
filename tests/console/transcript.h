// Texts of the console dialogue, as the user sees them, for transcript tests.
#ifndef LODTHRESH_TESTS_CONSOLE_TRANSCRIPT_H
#define LODTHRESH_TESTS_CONSOLE_TRANSCRIPT_H

#include <string>

namespace lodthresh::transcript {

inline const std::string kHead = "\nEnter the following parameters:";

// The first prompts of the five rows with the value they show.
inline std::string length(const std::string& v) {
    return "\n\nLength of genomic region in Morgan\t[" + v + "]\t\t: ";
}
inline std::string chromosomes(const std::string& v) {
    return "Number of chromosomes\t\t\t[" + v + "]\t\t: ";
}
inline std::string rate(const std::string& v) {
    return "Cross over rate\t\t\t\t[" + v + "]\t\t: ";
}
inline std::string level(const std::string& v) {
    return "Global significance level\t\t[" + v + "]\t: ";
}
inline std::string precision(const std::string& v) {
    return "Precision\t\t\t\t[" + v + "]\t: ";
}

inline const std::string kDefaults = kHead + length("33.00") + chromosomes("23") + rate("2") +
                                     level("0.0500") + precision("0.0000000100");

inline const std::string kNotANumber = "\nError: Please enter a number.";
inline const std::string kNotWhole = "\nError: Number of chromosomes must be an integer.";
inline const std::string kLevelTooHigh = "\nError: Global significance level must be less than 1.";
inline const std::string kPrecisionTooHigh =
    "\nError: Precision must be less than global significance level.";

inline const std::string kCrossOverTable =
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

// The banner up to the save-mode question, and the header block of the file.
inline const std::string kBannerHead =
    "**************************************************************"
    "\nCalculation of nominal significance levels and critical LOD"
    "\nscores according to Lander and Kruglyak (Nature Genetics 1995)"
    "\n\nlodthresh, written by the lodthresh developers"
    "\n\tThe lodthresh project"
    "\n\tOpen-source scientific software, international"
    "\n\nCopyright (c) 2026 the lodthresh developers"
    "\n\n(No garantuee for correctness of results)";
inline const std::string kSaveQuestion = "\n\nResults are only shown or also saved (s)";
inline const std::string kBanner =
    kBannerHead +
    "\n\n***************************************************************"
    "\n\nFor help please enter ?" +
    kSaveQuestion;
inline const std::string kSaveHelp =
    "\n\nEntering (s) saves the results as veskLOD.res\nin current file.";
inline const std::string kHeaderBlock =
    kBannerHead + "\n\n**************************************************************";

inline const std::string kContinueQuestion = "\n\nFurther calculations or end (e)?\t";
inline const std::string kClosingLine =
    "\n\n*********************************************************\n\n";

}  // namespace lodthresh::transcript

#endif  // LODTHRESH_TESTS_CONSOLE_TRANSCRIPT_H
