#include "App/BVProgressDrawer.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "Foundation/QLFileSizer.h"

bool BVProgressDrawer::shouldDraw(bool noProgressOption) { return !noProgressOption && ::isatty(STDERR_FILENO); }

void BVProgressDrawer::begin(const std::string& title) {
    title_ = title;
    fraction_ = 0;
    bytes_ = 0;
    path_.clear();
    draw(true);
}

void BVProgressDrawer::setFraction(double fraction) {
    fraction_ = fraction;
    draw(false);
}

void BVProgressDrawer::setBytes(uint64_t bytes) {
    bytes_ = bytes;
    draw(false);
}

void BVProgressDrawer::setPath(const std::string& path) {
    path_ = path;
    draw(false);
}

void BVProgressDrawer::end() {
    if (!enabled_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

void BVProgressDrawer::draw(bool force) {
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    winsize ws{};
    size_t width = (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) ? ws.ws_col : 80;
    std::string line = title_ + " " + std::to_string(int(fraction_ * 100)) + "% " +
                       QLFileSizer::nonLocalizedDisplayItemSizeFromSize(bytes_) + " ";
    if (line.size() < width) {
        std::string p = path_;
        size_t room = width - line.size() - 1;
        if (p.size() > room) p = "..." + p.substr(p.size() - (room > 3 ? room - 3 : 0));
        line += p;
    }
    if (line.size() >= width) line.resize(width - 1);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
}
