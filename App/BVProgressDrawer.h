// BVProgressDrawer: draws a one-line progress (fraction, bytes found, current path) on
// standard error, redrawn at most ten times a second, and clears it at the end. Used from the
// main thread only. Disabled, it draws nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// What follows a scan's or a clean's progress: the terminal's line, or the review window.
class BVProgressSink {
public:
    virtual ~BVProgressSink() = default;
    virtual void begin(const std::string& title) = 0;
    virtual void setFraction(double fraction) = 0;
    virtual void setBytes(uint64_t bytes) = 0;
    virtual void setPath(const std::string& path) = 0;
    virtual void end() = 0;
};

class BVProgressDrawer : public BVProgressSink {
public:
    explicit BVProgressDrawer(bool enabled) : enabled_(enabled) {}
    // Enabled when standard error is a terminal and the user did not ask for silence.
    static bool shouldDraw(bool noProgressOption);

    void begin(const std::string& title) override;
    void setFraction(double fraction) override;
    void setBytes(uint64_t bytes) override;
    void setPath(const std::string& path) override;
    void end() override;

private:
    void draw(bool force);

    bool enabled_;
    std::string title_;
    double fraction_ = 0;
    uint64_t bytes_ = 0;
    std::string path_;
    std::chrono::steady_clock::time_point lastDraw_{};
};
