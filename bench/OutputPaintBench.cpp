// The output view's painting: a full repaint of a 2048 x 2048 output at zoom levels 0, -10
// and 10, the visible part (1920 x 1080) at level 10, and the repaint of one 256 x 256 step
// box at level 0, each painted through the widget's own paint event into an off-screen image.
//
//   QT_QPA_PLATFORM=offscreen build-release/bench/OutputPaintBench
//
// The output is a quarter covered, a quarter half-covered and half empty over an opaque host
// image, so every composing path is taken; the paste preview is shown under the pointer.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "apps/DemoTexture.h"
#include "session/PLQShell.h"
#include "ui/PLQOutputFrame.h"

namespace {

constexpr uint32_t kSide = 2048;

// One session and view shared by all benchmarks: building them is not what is measured.
struct Scene {
    std::vector<uint32_t> host;
    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQOutputFrame> frame;

    Scene() {
        const PixelBuffer stones = DemoTexture::make(256);
        host.resize(size_t(kSide) * kSide);
        for (uint32_t y = 0; y < kSide; ++y)
            for (uint32_t x = 0; x < kSide; ++x)
                host[size_t(y) * kSide + x] = stones.at(x % 256, y % 256);
        shell = std::make_unique<PLQShell>(kSide, kSide, host.data());
        PixelBuffer& out = shell->output();
        for (uint32_t y = 0; y < kSide; ++y)
            for (uint32_t x = 0; x < kSide; ++x) {
                const uint32_t p = stones.at((x * 3) % 256, (y * 5) % 256) & 0x00FFFFFFu;
                if (y < kSide / 4)
                    out.at(x, y) = p | 0xFF000000u;
                else if (y < kSide / 2)
                    out.at(x, y) = p | (((x + y) & 255) << 24);
            }
        shell->images().setCurrent(shell->images().addImage(DemoTexture::make(192)));
        frame = std::make_unique<PLQOutputFrame>(shell.get(), nullptr, "outputFrame");
        frame->updateChunk();
        const QPointF at(900, 900);
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(frame.get(), &move);
    }

    void setLevel(int level) {
        while (frame->zoomLevel() < level)
            frame->setZoomIn();
        while (frame->zoomLevel() > level)
            frame->setZoomOut();
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

// Paints `region` (widget pixels) of the view at `level` into an image of the region's size.
void paint(benchmark::State& state, int level, const QRect& region) {
    Scene& s = scene();
    s.setLevel(level);
    const QRect clipped = region.isNull() ? s.frame->rect() : region & s.frame->rect();
    QImage target(clipped.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        s.frame->render(&target, QPoint(), QRegion(clipped), QWidget::RenderFlags());
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["pixels"] = double(clipped.width()) * clipped.height();
}

void BM_FullRepaint(benchmark::State& state) { paint(state, int(state.range(0)), QRect()); }
BENCHMARK(BM_FullRepaint)->Arg(0)->Arg(-10)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VisibleRepaintAtLevel10(benchmark::State& state) { paint(state, 10, QRect(3000, 3000, 1920, 1080)); }
BENCHMARK(BM_VisibleRepaintAtLevel10)->Unit(benchmark::kMillisecond)->UseRealTime();

// The region a step's box asks for: the box with the view's margin.
void BM_StepRepaint(benchmark::State& state) {
    Scene& s = scene();
    s.setLevel(0);
    paint(state, 0, s.frame->widgetRect(QRect(1000, 600, 256, 256)));
}
BENCHMARK(BM_StepRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
