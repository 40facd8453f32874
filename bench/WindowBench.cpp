// The window's responsiveness on the GUI thread:
// - one step event of a run on a 2048 x 2048 output, from the shell receiving the worker's
//   notification to the output view having repainted the step's 256 x 256 box;
// - opening the window on a 4096 x 4096 image, from constructing it to the output view's
//   first paint, with the window placed as the session runner places it.
//
//   QT_QPA_PLATFORM=offscreen build-release/bench/WindowBench
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include "apps/DemoTexture.h"
#include "session/PLQCustomEvent.h"
#include "session/PLQShell.h"
#include "ui/PLQMainWindow.h"
#include "ui/PLQOutputFrame.h"
#include "ui/PLQStyle.h"
#include "ui/SessionRunner.h"

namespace {

// Counts the paint events the output view receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A host picture tiled from the built-in sample, so that the view has something to dim.
std::vector<uint32_t> hostPicture(uint32_t side) {
    const PixelBuffer stones = DemoTexture::make(256);
    std::vector<uint32_t> host(size_t(side) * side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x)
            host[size_t(y) * side + x] = stones.at(x % 256, y % 256);
    return host;
}

// Runs the event loop until the view has painted once more than `before`; false after 5 s.
bool waitForPaint(const PaintCounter& counter, int before) {
    QElapsedTimer clock;
    clock.start();
    while (counter.paints <= before) {
        if (clock.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QRect placement(uint32_t side) {
    return SessionRunner::windowGeometry(QSize(int(side), int(side)),
                                         QGuiApplication::primaryScreen()->availableGeometry());
}

void BM_StepEvent2048(benchmark::State& state) {
    constexpr uint32_t kSide = 2048;
    const std::vector<uint32_t> picture = hostPicture(kSide);
    std::vector<uint32_t> host = picture;  // becomes the output, cleared by the window
    PLQMainWindow window(kSide, kSide, host.data(), nullptr, "mainWindow");
    window.setGeometry(placement(kSide));
    PaintCounter counter(window.outputFrame());
    window.show();
    if (!waitForPaint(counter, 0)) {
        state.SkipWithError("the window never painted");
        return;
    }
    // The step's box sits in the part the scroll view shows (a box out of sight is not
    // painted at all) and is half covered, so both composing paths are taken.
    const Box step(100, 50, 355, 305);
    PixelBuffer& output = window.shell().output();
    for (uint32_t y = 0; y < kSide; ++y)
        for (uint32_t x = 0; x < 228; ++x)
            output.at(x, y) = picture[size_t(y) * kSide + x] | 0xFF000000u;
    for (auto _ : state) {
        const int before = counter.paints;
        PLQCustomEvent event(PLQCustomEvent::RunStepEvent, step);
        QCoreApplication::sendEvent(&window.shell(), &event);
        if (!waitForPaint(counter, before)) {
            state.SkipWithError("a step did not repaint the view");
            return;
        }
    }
}
BENCHMARK(BM_StepEvent2048)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenWindow4096(benchmark::State& state) {
    constexpr uint32_t kSide = 4096;
    std::vector<uint32_t> host = hostPicture(kSide);
    const std::vector<uint32_t> picture = host;
    for (auto _ : state) {
        state.PauseTiming();
        host = picture;  // the window clears the host pixels it is given
        state.ResumeTiming();
        auto window = std::make_unique<PLQMainWindow>(kSide, kSide, host.data(), nullptr, "mainWindow");
        window->setGeometry(placement(kSide));
        PaintCounter counter(window->outputFrame());
        window->show();
        if (!waitForPaint(counter, 0)) {
            state.SkipWithError("the window never painted");
            return;
        }
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenWindow4096)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(new PLQStyle);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
