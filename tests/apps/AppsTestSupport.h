#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "apps/PngFile.h"
#include "apps/SynthCommand.h"

// Helpers shared by the program tests.

using Words = std::vector<std::string>;

// What a test puts at OUT beforehand, to see whether it was replaced.
inline const std::string kOldTile = "an earlier tile, not a PNG";

// A fresh folder under /tmp for one test, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/patchloom-apps-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries, hidden ones included, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The largest difference of two pictures' channels, on the 8-bit scale.
inline int largestDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

// Writes `picture` as an 8-bit RGBA PNG; the test fails when it cannot.
inline void writePng(const std::string& path, const PixelBuffer& picture) {
    std::string error;
    ASSERT_TRUE(PngFile::writeAtomically(picture, path, error)) << error;
}

// `patchloom synth WORDS` in this process, stderr not a terminal; returns the exit status.
inline int synth(const Words& words, std::string* out = nullptr, std::string* err = nullptr) {
    std::ostringstream o, e;
    const int status = SynthCommand(o, e, false).run(words);
    if (out)
        *out = o.str();
    if (err)
        *err = e.str();
    return status;
}
