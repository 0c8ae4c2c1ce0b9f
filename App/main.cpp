#include "App/BVCommandLine.h"

int main(int argc, char** argv) { return BVRunCommandLine(argc, argv); }
