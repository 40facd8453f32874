#include "apps/HostImage.h"

#include <cmath>
#include <cstring>

#include <QColor>

#include "host/HostInterface.h"

namespace {

const std::vector<HostImage::Mode>& allModes() {
    static const std::vector<HostImage::Mode> modes = {
        {"rgb", kModeRGB, 8, kSpaceRGB, 3, true},
        {"rgb16", kModeRGB48, 16, kSpaceRGB, 3, true},
        {"gray", kModeGrayScale, 8, kSpaceGray, 1, true},
        {"gray16", kModeGray16, 16, kSpaceGray, 1, true},
        {"cmyk", kModeCMYK, 8, kSpaceCMYK, 4, true},
        {"lab", kModeLab, 8, kSpaceLab, 3, true},
        {"hsb", kModeHSB, 8, kSpaceHSB, 3, true},
        {"hsl", kModeHSL, 8, kSpaceHSL, 3, true},
        // Red, green and blue as three unrelated channels.
        {"multichannel", kModeMultichannel, 8, kSpaceNone, 3, false},
        {"duotone", kModeDuotone, 8, kSpaceGray, 1, false},
        // Grey levels as indices of a grey palette.
        {"indexed", kModeIndexed, 8, kSpaceGray, 1, false},
    };
    return modes;
}

} // namespace

const HostImage::Mode* HostImage::modeNamed(const std::string& name) {
    for (const Mode& mode : allModes())
        if (mode.name == name)
            return &mode;
    return nullptr;
}

std::string HostImage::modeNames() {
    std::string names;
    for (const Mode& mode : allModes())
        names += (names.empty() ? "" : "|") + mode.name;
    return names;
}

uint16_t HostImage::toHostScale(uint16_t sample) {
    return static_cast<uint16_t>((uint32_t(sample) * 32768u + 32767u) / 65535u);
}

uint16_t HostImage::fromHostScale(uint16_t sample) {
    return static_cast<uint16_t>(std::min<uint32_t>((uint32_t(sample) * 65535u + 16384u) / 32768u, 65535u));
}

uint16_t HostImage::sample(int x, int y, int channel) const {
    const uint8_t* at = row(y) + (size_t(x) * planes_ + channel) * (mode_->depth / 8);
    if (mode_->depth == 8)
        return *at;
    uint16_t v;
    std::memcpy(&v, at, 2);
    return v;
}

void HostImage::setSample(int x, int y, int channel, uint16_t value) {
    uint8_t* at = row(y) + (size_t(x) * planes_ + channel) * (mode_->depth / 8);
    if (mode_->depth == 8)
        *at = static_cast<uint8_t>(value);
    else
        std::memcpy(at, &value, 2);
}

HostImage HostImage::fromPicture(const QImage& picture, const Mode& mode, const HostColourEngine& colours) {
    HostImage image;
    image.mode_ = &mode;
    image.width_ = picture.width();
    image.height_ = picture.height();
    const bool alpha = mode.takesAlpha && picture.hasAlphaChannel();
    image.planes_ = mode.colourChannels + (alpha ? 1 : 0);
    image.rowBytes_ = image.width_ * image.planes_ * (mode.depth / 8);
    image.samples_.assign(size_t(image.rowBytes_) * size_t(image.height_), 0);
    const QImage source = picture.convertToFormat(mode.depth == 16 ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    for (int y = 0; y < image.height_; ++y) {
        for (int x = 0; x < image.width_; ++x) {
            if (mode.depth == 16) {
                const QRgba64 p = reinterpret_cast<const QRgba64*>(source.constScanLine(y))[x];
                const uint16_t grey = uint16_t((11u * p.red() + 16u * p.green() + 5u * p.blue()) >> 5);
                if (mode.space == kSpaceGray) {
                    image.setSample(x, y, 0, toHostScale(grey));
                } else {
                    image.setSample(x, y, 0, toHostScale(p.red()));
                    image.setSample(x, y, 1, toHostScale(p.green()));
                    image.setSample(x, y, 2, toHostScale(p.blue()));
                }
                if (alpha)
                    image.setSample(x, y, mode.colourChannels, toHostScale(p.alpha()));
                continue;
            }
            const QRgb p = reinterpret_cast<const QRgb*>(source.constScanLine(y))[x];
            int16_t c[4] = {int16_t(qRed(p)), int16_t(qGreen(p)), int16_t(qBlue(p)), 0};
            if (mode.space != kSpaceNone)
                colours.convert(kSpaceRGB, mode.space, c);
            for (int i = 0; i < mode.colourChannels; ++i)
                image.setSample(x, y, i, uint16_t(c[i]));
            if (alpha)
                image.setSample(x, y, mode.colourChannels, uint16_t(qAlpha(p)));
        }
    }
    return image;
}

QImage HostImage::toPicture(const HostColourEngine& colours) const {
    const bool alpha = planes_ > mode_->colourChannels;
    const bool deep = mode_->depth == 16;
    QImage picture(width_, height_, deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            int16_t c[4] = {};
            for (int i = 0; i < std::min(mode_->colourChannels, 4); ++i)
                c[i] = int16_t(sample(x, y, i));
            const uint16_t a = alpha ? sample(x, y, mode_->colourChannels) : (deep ? 32768 : 255);
            if (deep) {
                const uint16_t r = fromHostScale(uint16_t(c[0]));
                const bool grey = mode_->space == kSpaceGray;
                reinterpret_cast<QRgba64*>(picture.scanLine(y))[x] = QRgba64::fromRgba64(
                    r, grey ? r : fromHostScale(uint16_t(c[1])), grey ? r : fromHostScale(uint16_t(c[2])),
                    fromHostScale(a));
                continue;
            }
            if (mode_->space != kSpaceNone)
                colours.convert(mode_->space, kSpaceRGB, c);
            if (mode_->space == kSpaceGray)
                c[1] = c[2] = c[0];
            reinterpret_cast<QRgb*>(picture.scanLine(y))[x] = qRgba(c[0], c[1], c[2], a);
        }
    }
    return picture;
}

void HostImage::backgroundColour(const HostColourEngine& colours, uint8_t out[4]) const {
    int16_t c[4] = {255, 255, 255, 0};
    if (mode_->space != kSpaceNone)
        colours.convert(kSpaceRGB, mode_->space, c);
    for (int i = 0; i < 4; ++i)
        out[i] = uint8_t(c[i]);
}
