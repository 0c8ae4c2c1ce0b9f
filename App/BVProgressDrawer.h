// BVProgressDrawer: draws a one-line progress (fraction, bytes found, current path) on
// standard error, redrawn at most ten times a second, and clears it at the end. Used from the
// main thread only. Disabled, it draws nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class BVProgressDrawer {
public:
    explicit BVProgressDrawer(bool enabled) : enabled_(enabled) {}
    // Enabled when standard error is a terminal and the user did not ask for silence.
    static bool shouldDraw(bool noProgressOption);

    void begin(const std::string& title);
    void setFraction(double fraction);
    void setBytes(uint64_t bytes);
    void setPath(const std::string& path);
    void end();

private:
    void draw(bool force);

    bool enabled_;
    std::string title_;
    double fraction_ = 0;
    uint64_t bytes_ = 0;
    std::string path_;
    std::chrono::steady_clock::time_point lastDraw_{};
};
