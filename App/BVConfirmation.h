// Asking before a change. The question goes to standard error and the answer is read from
// standard input, which must be a terminal: a command run from a script without --yes is
// refused rather than answered by whatever a pipe happens to hold. Main thread only.
#pragma once

#include <string>

namespace BVConfirmation {

bool inputIsTerminal();
// "y" or "yes" in any case is yes; anything else, or the end of input, is no.
bool ask(const std::string& question);

}  // namespace BVConfirmation
