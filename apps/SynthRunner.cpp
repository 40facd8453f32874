#include "apps/SynthRunner.h"

#include "chunks/SynthesisRun.h"

namespace {

class ObserverListener : public RunListener {
public:
    ObserverListener(const SynthRunner::StepObserver& observer, const PixelBuffer& output,
                     const std::atomic<bool>& stop)
        : observer_(observer), output_(output), stop_(stop) {}
    void stepTaken(const RunStatistics& stats) override {
        if (observer_)
            observer_(stats, output_);
    }
    bool stopRequested() override { return stop_.load(); }

private:
    const SynthRunner::StepObserver& observer_;
    const PixelBuffer& output_;
    const std::atomic<bool>& stop_;
};

} // namespace

SynthRunner::SynthRunner(ImageCollection& images, const PlacementParameters& placement, uint32_t seed,
                         uint32_t width, uint32_t height)
    : images_(images), placement_(placement), random_(seed), output_(width, height),
      synthesizer_(placement_, random_) {
    synthesizer_.setOutput(&output_);
    synthesizer_.reset();
}

void SynthRunner::requestStop() {
    stopRequested_.store(true);
    synthesizer_.requestAbort();
}

RunStatistics SynthRunner::run(const StepObserver& observer) {
    bool chunkChanged = true;
    ObserverListener listener(observer, output_, stopRequested_);
    SynthesisRun run({synthesizer_, images_, placement_, random_, chunkPixels_, chunkMask_, chunkChanged}, listener);
    return run.runAutomatic();
}
