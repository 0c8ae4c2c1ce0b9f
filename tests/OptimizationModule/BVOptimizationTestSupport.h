// Shared by the optimization and broken-items suites: the log lines a test caused, read back
// from a log file in a temporary folder.
#pragma once

#include <string>

#include "tests/fixtures/BVTemporaryFolder.h"

class BVLogCapture {
public:
    BVLogCapture();
    ~BVLogCapture();
    std::string text() const;

private:
    BVTemporaryFolder folder_;
};
