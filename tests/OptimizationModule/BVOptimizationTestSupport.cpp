#include "tests/OptimizationModule/BVOptimizationTestSupport.h"

#include "Foundation/BVLogger.h"

BVLogCapture::BVLogCapture() {
    BVLogger::Configuration c;
    c.logFolder = folder_.path();
    c.level = BVLogLevel::Debug;
    c.consoleLevel = BVLogLevel::Off;
    BVLogger::configure(c);
}

BVLogCapture::~BVLogCapture() { BVLogger::configure(BVLogger::Configuration{}); }

std::string BVLogCapture::text() const { return BVReadText(BVLogger::logFilePath()); }
