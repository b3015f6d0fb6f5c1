// lodthresh: nominal significance levels and critical LOD scores for a
// genome-wide linkage scan. Command-line arguments are ignored.
#include <cstdio>

#include "console/driver.h"

int main() {
    return lodthresh::run(stdin, stdout, stderr, lodthresh::kResultsFileName);
}
