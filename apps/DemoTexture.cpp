#include "apps/DemoTexture.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kJointHalfWidth = 1.6; // pixels of sand on each side of a border
constexpr double kBevel = 9.0;          // pixels over which a stone's edge rounds off
constexpr double kRelief = 5.0;         // steepness of the relief for the lighting

// A well-mixed 32-bit hash, so that neighbouring inputs give unrelated outputs.
uint32_t mix(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

uint32_t hash3(uint32_t a, uint32_t b, uint32_t salt) { return mix(a ^ mix(b ^ mix(salt))); }

// Uniform in [0, 1).
double unit(uint32_t h) { return double(h >> 8) / double(1u << 24); }

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

uint32_t clampByte(double v) { return uint32_t(std::clamp(v, 0.0, 255.0) + 0.5) & 0xFF; }

struct Colour {
    double r, g, b;
};

// Weathered stone colours: warm and cool greys, ochre, rust and a pale limestone.
constexpr Colour kStonePalette[] = {
    {150, 140, 128}, {118, 110, 102}, {164, 124, 88}, {136, 92, 74}, {104, 116, 128}, {176, 166, 146},
};
constexpr Colour kSand = {184, 172, 146};

} // namespace

DemoTexture::DemoTexture(uint32_t side)
    : side_(side), cells_(std::max(2u, side / 42)), cellSize_(double(side) / double(cells_)) {
    placeSites();
}

PixelBuffer DemoTexture::make(uint32_t side) {
    side = std::max(side, 1u);
    const DemoTexture demo(side);
    std::vector<Sample> samples(size_t(side) * side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x)
            samples[size_t(y) * side + x] = demo.sampleAt(x + 0.5, y + 0.5);

    // Light from the upper left; a flat surface gets factor 1.
    const double lx = -0.45, ly = -0.55, lz = 0.70;
    const double norm = std::sqrt(lx * lx + ly * ly + lz * lz);
    PixelBuffer picture(side, side);
    for (uint32_t y = 0; y < side; ++y) {
        for (uint32_t x = 0; x < side; ++x) {
            auto heightAt = [&](uint32_t px, uint32_t py) { return samples[size_t(py % side) * side + px % side].height; };
            const double dx = (heightAt(x + 1, y) - heightAt(x + side - 1, y)) * 0.5 * kRelief;
            const double dy = (heightAt(x, y + 1) - heightAt(x, y + side - 1)) * 0.5 * kRelief;
            const double lambert = std::max(0.0, (-dx * lx - dy * ly + lz) / (std::sqrt(dx * dx + dy * dy + 1.0) * norm));
            const double light = 0.3 + 0.7 * lambert / (lz / norm);
            picture.at(x, y) = demo.shade(x, y, samples[size_t(y) * side + x], light);
        }
    }
    return picture;
}

// One stone centre per grid cell, jittered inside its cell.
void DemoTexture::placeSites() {
    for (uint32_t j = 0; j < cells_; ++j)
        for (uint32_t i = 0; i < cells_; ++i) {
            const uint32_t id = j * cells_ + i;
            const double jx = 0.15 + 0.7 * unit(hash3(i, j, 11));
            const double jy = 0.15 + 0.7 * unit(hash3(i, j, 23));
            sites_.push_back({(i + jx) * cellSize_, (j + jy) * cellSize_, id});
        }
}

// The shortest offset between two points of the repeating plane.
void DemoTexture::wrapDelta(double& dx, double& dy) const {
    const double s = double(side_);
    dx -= s * std::round(dx / s);
    dy -= s * std::round(dy / s);
}

DemoTexture::Sample DemoTexture::sampleAt(double x, double y) const {
    const Site* nearest = &sites_.front();
    double best = 1e300;
    for (const Site& site : sites_) {
        double dx = site.x - x, dy = site.y - y;
        wrapDelta(dx, dy);
        const double d = dx * dx + dy * dy;
        if (d < best) {
            best = d;
            nearest = &site;
        }
    }
    const double border = borderDistance(x, y, *nearest);
    const double wobble = 0.8 * grain(x, y, 8.0, 5); // joints of uneven width
    Sample s{0.0, nearest->id, false};
    const double inside = border - kJointHalfWidth - wobble;
    if (inside <= 0.0) {
        s.joint = true;
        s.height = 0.04 * (1.0 + grain(x, y, 3.0, 7));
        return s;
    }
    const double t = std::min(1.0, inside / kBevel);
    const double dome = std::sqrt(1.0 - (1.0 - t) * (1.0 - t));
    s.height = 0.15 + 0.75 * dome + 0.06 * grain(x, y, 16.0, nearest->id + 100) + 0.02 * grain(x, y, 3.0, 9);
    return s;
}

// Distance from (x, y) to the nearest border of its stone's cell: the closest of the
// bisectors between the nearest centre and every other centre.
double DemoTexture::borderDistance(double x, double y, const Site& nearest) const {
    double ax = nearest.x - x, ay = nearest.y - y;
    wrapDelta(ax, ay);
    double best = 1e300;
    for (const Site& other : sites_) {
        if (other.id == nearest.id)
            continue;
        double bx = other.x - x, by = other.y - y;
        wrapDelta(bx, by);
        const double nx = bx - ax, ny = by - ay;
        const double length = std::sqrt(nx * nx + ny * ny);
        if (length < 1e-9)
            continue;
        best = std::min(best, ((ax + bx) * 0.5 * nx + (ay + by) * 0.5 * ny) / length);
    }
    return best;
}

// Smooth repeating value noise in [-1, 1] with features about `period` pixels apart.
double DemoTexture::grain(double x, double y, double period, uint32_t salt) const {
    const uint32_t n = std::max(1u, uint32_t(std::lround(double(side_) / period)));
    const double step = double(side_) / double(n);
    const double gx = x / step, gy = y / step;
    const double fx = std::floor(gx), fy = std::floor(gy);
    const uint32_t i0 = uint32_t(int64_t(fx) % n), j0 = uint32_t(int64_t(fy) % n);
    const uint32_t i1 = (i0 + 1) % n, j1 = (j0 + 1) % n;
    const double tx = smooth(gx - fx), ty = smooth(gy - fy);
    auto corner = [&](uint32_t i, uint32_t j) { return 2.0 * unit(hash3(i, j, salt)) - 1.0; };
    const double top = corner(i0, j0) + (corner(i1, j0) - corner(i0, j0)) * tx;
    const double bottom = corner(i0, j1) + (corner(i1, j1) - corner(i0, j1)) * tx;
    return top + (bottom - top) * ty;
}

uint32_t DemoTexture::shade(uint32_t x, uint32_t y, const Sample& here, double light) const {
    const double fine = (unit(hash3(x, y, 31)) - 0.5) * 14.0; // per-pixel grain
    Colour c = kSand;
    double tone = 1.0;
    if (here.joint) {
        tone = 0.82 + 0.1 * grain(x, y, 2.0, 13);
    } else {
        const uint32_t h = mix(here.stone * 977u + 3u);
        c = kStonePalette[h % std::size(kStonePalette)];
        tone = 0.88 + 0.24 * unit(h >> 3) + 0.08 * grain(x, y, 24.0, here.stone + 200);
        const double speckle = unit(hash3(x / 2, y / 2, here.stone));
        if (speckle > 0.97)
            tone *= 0.75; // dark mineral flecks
    }
    const double k = tone * light;
    return makePixel(255, clampByte(c.r * k + fine), clampByte(c.g * k + fine), clampByte(c.b * k + fine));
}
