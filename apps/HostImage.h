#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QImage>

#include "apps/HostColourEngine.h"

// A picture as the stand-in host holds it in one colour mode: interleaved channels of 8 bits,
// or of 16 bits on the host's 0-32768 scale, rows without padding.
class HostImage {
public:
    struct Mode {
        std::string name;      // as given to --mode
        int16_t imageMode;     // the filter record's imageMode
        int16_t depth;         // 8 or 16
        int16_t space;         // colour space of the colour channels, -1 for none
        int colourChannels;
        bool takesAlpha;       // a picture with transparency gets an alpha channel
    };

    // Every mode --mode knows; null for an unknown name.
    static const Mode* modeNamed(const std::string& name);
    static std::string modeNames();  // "rgb|rgb16|..."

    // The picture converted into `mode`; RGB colours go through `colours`.
    static HostImage fromPicture(const QImage& picture, const Mode& mode, const HostColourEngine& colours);
    // Back to RGB: 16-bit RGBA for 16-bit modes, 8-bit ARGB otherwise.
    QImage toPicture(const HostColourEngine& colours) const;

    static uint16_t toHostScale(uint16_t sample);    // 0-65535 to 0-32768
    static uint16_t fromHostScale(uint16_t sample);  // and back

    const Mode& mode() const { return *mode_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int planes() const { return planes_; }
    int rowBytes() const { return rowBytes_; }
    uint8_t* row(int y) { return samples_.data() + size_t(y) * size_t(rowBytes_); }
    const uint8_t* row(int y) const { return samples_.data() + size_t(y) * size_t(rowBytes_); }
    uint16_t sample(int x, int y, int channel) const;
    void setSample(int x, int y, int channel, uint16_t value);
    // The host's background colour (white) in the image's colour space.
    void backgroundColour(const HostColourEngine& colours, uint8_t out[4]) const;

private:
    const Mode* mode_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int planes_ = 0;
    int rowBytes_ = 0;
    std::vector<uint8_t> samples_;
};
