#include "App/BVConfirmation.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "Foundation/BVASCIICase.h"

namespace BVConfirmation {

bool inputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool ask(const std::string& question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        std::fprintf(stderr, "\n");
        return false;
    }
    answer = BVASCIILowercase(answer);
    return answer == "y" || answer == "yes";
}

}  // namespace BVConfirmation
