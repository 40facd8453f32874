// Draws the colour test textures of tests/data and writes them as PNG files:
//
//   cmake --build build --target make_test_textures && build/tools/make_test_textures tests/data
//
// With --check it writes nothing and fails unless every file there decodes to what it draws.
// Only integer hashing, + - * / and sqrt go into a pixel, so every IEEE machine draws the same
// pictures. Change a texture here, rerun, and commit the PNG files with the change.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

uint32_t mix(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

uint32_t hash(int32_t a, int32_t b, uint32_t salt) { return mix(uint32_t(a) ^ mix(uint32_t(b) ^ mix(salt))); }

// Uniform in [0, 1).
double unit(uint32_t h) { return double(h >> 8) / 16777216.0; }

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Smooth value noise in [0, 1) with features about `period` pixels apart.
double noise(double x, double y, double period, uint32_t salt) {
    const double gx = x / period, gy = y / period;
    const double fx = std::floor(gx), fy = std::floor(gy);
    const int32_t i = int32_t(fx), j = int32_t(fy);
    const double tx = smooth(gx - fx), ty = smooth(gy - fy);
    auto corner = [&](int32_t a, int32_t b) { return unit(hash(a, b, salt)); };
    const double top = corner(i, j) + (corner(i + 1, j) - corner(i, j)) * tx;
    const double bottom = corner(i, j + 1) + (corner(i + 1, j + 1) - corner(i, j + 1)) * tx;
    return top + (bottom - top) * ty;
}

// Octaves from `period` down to 2 pixels, each half as strong as the one before, in [0, 1).
double fractal(double x, double y, double period, uint32_t salt) {
    double sum = 0.0, weight = 1.0, total = 0.0;
    for (uint32_t octave = 0; period >= 2.0; ++octave, period /= 2.0, weight /= 2.0) {
        sum += weight * noise(x, y, period, salt + octave);
        total += weight;
    }
    return sum / total;
}

// Per-pixel grain in [-amount / 2, amount / 2).
double grain(int32_t x, int32_t y, double amount, uint32_t salt) { return (unit(hash(x, y, salt)) - 0.5) * amount; }

struct Colour {
    double r, g, b;
};

Colour blend(const Colour& a, const Colour& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scaled(const Colour& c, double k, double offset = 0.0) {
    return {c.r * k + offset, c.g * k + offset, c.b * k + offset};
}

uint8_t toByte(double v) { return uint8_t(std::clamp(v, 0.0, 255.0) + 0.5); }

class Picture {
public:
    Picture(uint32_t width, uint32_t height, bool withAlpha)
        : width_(width), height_(height), channels_(withAlpha ? 4 : 3), bytes_(size_t(width) * height * channels_) {}

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }

    void set(uint32_t x, uint32_t y, const Colour& c, double alpha = 1.0) {
        uint8_t* p = &bytes_[(size_t(y) * width_ + x) * channels_];
        p[0] = toByte(c.r);
        p[1] = toByte(c.g);
        p[2] = toByte(c.b);
        if (channels_ == 4)
            p[3] = toByte(alpha * 255.0);
    }

    bool write(const std::string& path) const {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = width_;
        image.height = height_;
        image.format = channels_ == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        return png_image_write_to_file(&image, path.c_str(), 0, bytes_.data(), 0, nullptr) != 0;
    }

    // True when the file at `path` holds exactly these pixels in this format.
    bool matches(const std::string& path) const {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path.c_str()))
            return false;
        image.format = channels_ == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        std::vector<uint8_t> read(bytes_.size());
        const bool sameSize = image.width == width_ && image.height == height_;
        if (!sameSize || !png_image_finish_read(&image, nullptr, read.data(), 0, nullptr)) {
            png_image_free(&image);
            return false;
        }
        return read == bytes_;
    }

private:
    uint32_t width_, height_, channels_;
    std::vector<uint8_t> bytes_;
};

// The two nearest centres of a jittered grid of `cell`-pixel cells, one centre per cell.
struct Nearest {
    uint32_t id;
    double dx, dy;  // from the centre to the point, in cells
    double border;  // distance in pixels to the bisector with the second nearest centre
};

Nearest nearestCentres(double x, double y, double cell, uint32_t salt) {
    const int32_t ci = int32_t(std::floor(x / cell)), cj = int32_t(std::floor(y / cell));
    double best[2] = {1e300, 1e300};
    double centre[2][2] = {};
    uint32_t id = 0;
    for (int32_t j = cj - 2; j <= cj + 2; ++j)
        for (int32_t i = ci - 2; i <= ci + 2; ++i) {
            const double sx = (i + 0.15 + 0.7 * unit(hash(i, j, salt))) * cell;
            const double sy = (j + 0.15 + 0.7 * unit(hash(i, j, salt + 1))) * cell;
            const double d = (sx - x) * (sx - x) + (sy - y) * (sy - y);
            if (d < best[0]) {
                best[1] = best[0];
                centre[1][0] = centre[0][0];
                centre[1][1] = centre[0][1];
                best[0] = d;
                centre[0][0] = sx;
                centre[0][1] = sy;
                id = hash(i, j, salt + 2);
            } else if (d < best[1]) {
                best[1] = d;
                centre[1][0] = sx;
                centre[1][1] = sy;
            }
        }
    const double ax = centre[1][0] - centre[0][0], ay = centre[1][1] - centre[0][1];
    const double gap = std::sqrt(ax * ax + ay * ay);
    return {id, (x - centre[0][0]) / cell, (y - centre[0][1]) / cell, (best[1] - best[0]) / (2.0 * gap)};
}

constexpr Colour kStones[] = {
    {150, 140, 128}, {118, 110, 102}, {164, 124, 88}, {136, 92, 74}, {104, 116, 128}, {176, 166, 146}, {92, 88, 82},
};

// Stochastic: bark-like streaks, long upright features with moss in the hollows.
Picture mottle() {
    Picture p(128, 128, false);
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x) {
            const double f = fractal(x * 3.0, y, 48.0, 10);
            const double moss = std::clamp((fractal(x, y, 32.0, 20) - 0.55) * 4.0, 0.0, 1.0);
            Colour c = blend({52, 38, 28}, {176, 146, 108}, f);
            c = blend(c, {96, 112, 58}, moss * (1.0 - f));
            p.set(x, y, scaled(c, 1.0, grain(int32_t(x), int32_t(y), 18.0, 30)));
        }
    return p;
}

// Stochastic and large: small rounded pebbles, lit from the upper left, in dark grit.
Picture gravel() {
    Picture p(512, 512, false);
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x) {
            const Nearest n = nearestCentres(x + 0.5, y + 0.5, 14.0, 40);
            const double fine = grain(int32_t(x), int32_t(y), 16.0, 41);
            const double inside = n.border - 1.0 - 1.5 * noise(x, y, 5.0, 42);
            if (inside <= 0.0) {
                p.set(x, y, scaled({64, 56, 48}, 0.8 + 0.4 * noise(x, y, 3.0, 43), fine));
                continue;
            }
            const double t = std::min(1.0, inside / 4.0);
            const double dome = std::sqrt(1.0 - (1.0 - t) * (1.0 - t));
            const double light = (0.45 + 0.55 * dome) * (1.0 - 0.35 * (n.dx + n.dy));
            const Colour& base = kStones[n.id % std::size(kStones)];
            p.set(x, y, scaled(base, light * (0.85 + 0.3 * unit(n.id >> 4)), fine));
        }
    return p;
}

// Structured: irregular flagstones of several colours, bevelled, in light mortar joints.
Picture flagstones() {
    Picture p(320, 208, false);
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x) {
            const Nearest n = nearestCentres(x + 0.5, y + 0.5, 52.0, 50);
            const double fine = grain(int32_t(x), int32_t(y), 12.0, 51);
            const double inside = n.border - 2.0 - 2.0 * noise(x, y, 9.0, 52);
            if (inside <= 0.0) {
                p.set(x, y, scaled({178, 168, 146}, 0.85 + 0.2 * noise(x, y, 2.0, 53), fine));
                continue;
            }
            const double bevel = 0.7 + 0.3 * std::min(1.0, inside / 4.0);
            const double texture = 0.8 + 0.4 * fractal(x, y, 16.0, n.id);
            const Colour& base = kStones[n.id % std::size(kStones)];
            p.set(x, y, scaled(base, bevel * texture, fine));
        }
    return p;
}

// Near-regular: a running bond of 30 x 12 bricks in 2-pixel mortar, each brick its own shade.
Picture bricks() {
    Picture p(128, 128, false);
    constexpr int32_t kPitchX = 32, kPitchY = 14, kMortar = 2;
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x) {
            const int32_t row = int32_t(y) / kPitchY;
            const int32_t shifted = int32_t(x) + (row % 2) * kPitchX / 2;
            const int32_t column = shifted / kPitchX;
            const double wobble = 1.2 * noise(x, y, 6.0, 60);
            const double u = shifted % kPitchX + wobble, v = int32_t(y) % kPitchY + wobble;
            const double fine = grain(int32_t(x), int32_t(y), 20.0, 61);
            if (u < kMortar || v < kMortar) {
                p.set(x, y, scaled({196, 190, 178}, 0.8 + 0.2 * noise(x, y, 3.0, 62), fine));
                continue;
            }
            const uint32_t id = hash(column, row, 63);
            const Colour base = blend({150, 62, 40}, {190, 112, 70}, unit(id));
            const double burn = 0.75 + 0.35 * fractal(x, y, 8.0, 64);
            p.set(x, y, scaled(base, burn, fine));
        }
    return p;
}

// Near-regular: plain weave of indigo warp and ochre weft, 8-pixel threads, each rounded.
Picture weave() {
    Picture p(288, 256, false);
    constexpr int32_t kPitch = 8;
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x) {
            const int32_t i = int32_t(x) / kPitch, j = int32_t(y) / kPitch;
            const bool warpOnTop = (i + j) % 2 == 0;
            const double across = ((warpOnTop ? x : y) % kPitch + 0.5) / kPitch * 2.0 - 1.0; // -1 .. 1
            const double along = ((warpOnTop ? y : x) % kPitch + 0.5) / kPitch * 2.0 - 1.0;
            const double round = (1.0 - 0.55 * across * across) * (1.0 - 0.25 * along * along);
            const Colour thread = warpOnTop ? Colour{56, 72, 136} : Colour{206, 164, 84};
            const double slub = 0.85 + 0.3 * noise(x, y, warpOnTop ? 20.0 : 4.0, warpOnTop ? 70 : 71);
            const double fine = grain(int32_t(x), int32_t(y), 14.0, 72);
            p.set(x, y, scaled(thread, round * slub, fine));
        }
    return p;
}

// With alpha: a ragged green leaf-like cut-out on a transparent ground, its edge soft over
// two pixels, so that its chunk has opaque, partly transparent and empty pixels.
Picture cutout() {
    Picture p(128, 128, true);
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x) {
            const double dx = x + 0.5 - 64.0, dy = y + 0.5 - 64.0;
            const double radius = 58.0 * (0.78 + 0.22 * noise(x, y, 20.0, 80));
            const double alpha = std::clamp((radius - std::sqrt(dx * dx + dy * dy)) / 2.0 + 0.5, 0.0, 1.0);
            const double vein = std::min(1.0, std::abs(dx - dy) / 3.0);
            const Colour c = blend({70, 120, 40}, {150, 180, 70}, fractal(x, y, 24.0, 81));
            p.set(x, y, scaled(c, 0.8 + 0.2 * vein, grain(int32_t(x), int32_t(y), 12.0, 82)), alpha);
        }
    return p;
}

} // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: make_test_textures [--check] FOLDER\n");
        return 2;
    }
    const std::string folder = argv[argc - 1];
    const struct {
        const char* name;
        Picture (*draw)();
    } textures[] = {{"mottle", mottle},   {"gravel", gravel}, {"flagstones", flagstones},
                    {"bricks", bricks}, {"weave", weave},   {"cutout", cutout}};
    bool failed = false;
    for (const auto& texture : textures) {
        const std::string path = folder + "/" + texture.name + ".png";
        const Picture picture = texture.draw();
        if (check ? !picture.matches(path) : !picture.write(path)) {
            std::fprintf(stderr, "make_test_textures: %s %s\n", check ? "not what is drawn now:" : "cannot write",
                         path.c_str());
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
