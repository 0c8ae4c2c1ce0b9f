// The `brenvik` command line: parses the arguments, sets up paths, logging and the module
// registry, runs one command and answers the process exit status (0 success, 1 some removals
// failed, 2 usage error, 3 the engine could not start). Runs on the main thread, which it
// uses to drain the main queue while work is under way.
#pragma once

int BVRunCommandLine(int argc, char** argv);
