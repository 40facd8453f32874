#include "session/PLQShell.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include <QCoreApplication>
#include <QMetaType>
#include <QMutexLocker>

#include "chunks/ChunkBuffers.h"
#include "chunks/Placement.h"
#include "session/PLQCustomEvent.h"
#include "session/PLQThread.h"

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace {

// Qt hands posted events and finished threads over through its own locks, which
// ThreadSanitizer cannot see in an uninstrumented Qt. These two tell it what they guarantee:
// whoever takes over sees everything written before the hand-over. No code otherwise.
void handOver([[maybe_unused]] void* channel) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(channel);
#endif
}

void takeOver([[maybe_unused]] void* channel) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(channel);
#endif
}

bool changedOutput(PasteOutcome outcome) {
    return outcome == PasteOutcome::Whole || outcome == PasteOutcome::Cut;
}

// Outcomes after which an automatic run cannot go on: the chunk does not fit the output at
// all, or the paste was stopped.
bool endsRun(PasteOutcome outcome) {
    return outcome == PasteOutcome::Invalid || outcome == PasteOutcome::Aborted;
}

}  // namespace

PLQShell::PLQShell(uint32_t width, uint32_t height, uint32_t* hostPixels)
    : QObject(nullptr),
      MOSMain(width, height, hostPixels),
      settings_("Orvanta", "Patchloom"),
      thread_(std::make_unique<PLQThread>(this)) {
    // The step and end signals may cross threads in queued connections.
    qRegisterMetaType<Box>("Box");
}

PLQShell::~PLQShell() {
    // Without the stop request the window's end would wait until the run filled the output.
    cancelEvent();
    thread_->wait();
    takeOver(this);
    thread_.reset();
}

bool PLQShell::isRunning() const {
    QMutexLocker lock(&mutex_);
    return running_;
}

void PLQShell::goStopEvent() {
    if (isRunning()) {
        cancelEvent();
        return;
    }
    // A single paste may have left a turned or scaled chunk in the synthesizer.
    if (singlePaste_)
        chunkChanged_ = true;
    singlePaste_ = false;
    startRun();
}

void PLQShell::pasteChunkEvent() {
    // The worker reads singlePaste_ during a run; changing it then would also turn the
    // running automatic process into a single paste.
    if (isRunning())
        return;
    if (!singlePaste_)
        chunkChanged_ = true;
    singlePaste_ = true;
    startRun();
}

void PLQShell::undoEvent() {
    if (isRunning() || !undo())
        return;
    emit updateTerminated(Box::empty());
}

void PLQShell::redoEvent() {
    if (isRunning() || !redo())
        return;
    emit updateTerminated(Box::empty());
}

void PLQShell::clearEvent() {
    if (isRunning())
        return;
    clearOutput();
    emit updateTerminated(Box::empty());
}

void PLQShell::pasteEvent() {
    if (isRunning() || !pasteOriginal())
        return;
    emit updateTerminated(Box::empty());
}

void PLQShell::cancelEvent() {
    QMutexLocker lock(&mutex_);
    if (!running_)
        return;
    stopRequested_ = true;
    synthesizer_->requestAbort();
}

void PLQShell::startRun() {
    {
        QMutexLocker lock(&mutex_);
        if (running_)
            return;
        running_ = true;
        stopRequested_ = false;
        synthesizer_->clearAbortRequest();
    }
    emit lockInterface(true);
    random_.seed(uint32_t(std::clock()));
    thread_->start();
    // Thread creation failed (neither running nor finished): end the run here so that the
    // interface does not stay locked.
    if (!thread_->isRunning() && !thread_->isFinished())
        QCoreApplication::postEvent(this, new PLQCustomEvent(PLQCustomEvent::RunTerminatedEvent, Box::empty()));
}

// The worker posts the end event as its last act; waiting for it here makes sure that the
// next start() does not find the thread still running (start() would then do nothing).
void PLQShell::finishRun() {
    thread_->wait();
    QMutexLocker lock(&mutex_);
    running_ = false;
}

void PLQShell::customEvent(QEvent* event) {
    takeOver(this);
    if (event->type() == PLQCustomEvent::RunStepEvent) {
        emit updateStep(static_cast<PLQCustomEvent*>(event)->box());
    } else if (event->type() == PLQCustomEvent::RunTerminatedEvent) {
        finishRun();
        emit lockInterface(false);
        emit updateTerminated(static_cast<PLQCustomEvent*>(event)->box());
    }
}

void PLQShell::runBody() {
    bool changed = false;
    if (selectRunImage()) {
        const RunStart start = rememberRunStart();
        if (singlePaste_)
            placement_.method = PlacementMethod::SinglePaste;
        if (placement_.method == PlacementMethod::SemiRegular)
            setGridCell();
        changed = singlePaste_ ? pasteOnce() : pasteUntilDone();
        restoreRunStart(start);
    }
    // A run that changed nothing records nothing: an entry would only throw away the redo
    // steps and add an undo step that does nothing.
    if (changed)
        pushHistory();
    post(PLQCustomEvent::RunTerminatedEvent);
}

// Makes sure there is a current image to paste from, drawing one when chunks are mixed.
bool PLQShell::selectRunImage() {
    const bool hadImage = images_.currentImage() != nullptr;
    const bool ready = images_.ensureRunImage(placement_.mixChunks, random_);
    if (!hadImage && ready)
        chunkChanged_ = true;
    return ready;
}

PLQShell::RunStart PLQShell::rememberRunStart() const {
    const InputImage* image = images_.currentImage();
    return {images_.currentKey(), image ? image->currentChunk() : 0, placement_.method};
}

void PLQShell::restoreRunStart(const RunStart& start) {
    if (images_.setCurrent(start.imageKey))
        images_.currentImage()->setCurrentChunk(start.chunk);
    placement_.method = start.method;
    // The buffers may hold the last chunk drawn rather than the one current again.
    if (placement_.mixChunks)
        chunkChanged_ = true;
}

void PLQShell::setGridCell() { ::setGridCell(placement_, images_); }

bool PLQShell::pasteOnce() {
    const PasteOutcome outcome = stepChunk(*images_.currentImage());
    outputFull_ = synthesizer_->isComplete();
    return changedOutput(outcome);
}

// Pastes until the output is full or a stop is requested. Ends early when nothing could
// ever be pasted, instead of spinning and flooding the GUI thread with step events.
bool PLQShell::pasteUntilDone() {
    const bool canDraw = canDrawPasteableChunk();
    bool changed = false;
    for (uint32_t i = 0;; ++i) {
        InputImage* image = images_.currentImage();
        if (!image || (image->current().empty && !canDraw))
            break;
        const PasteOutcome outcome = stepChunk(*image);
        changed = changed || changedOutput(outcome);
        outputFull_ = synthesizer_->isComplete();
        if (endsRun(outcome) || outputFull_ || stopRequested())
            break;
        post(PLQCustomEvent::RunStepEvent);
        if ((i & 15) == 15)
            QThread::msleep(1);
        if (placement_.mixChunks && drawNextChunk())
            chunkChanged_ = true;
    }
    return changed;
}

// Draws the next chunk among all chunks; true when a different chunk became current.
bool PLQShell::drawNextChunk() {
    const RunStart before = rememberRunStart();
    images_.drawRandomChunk(random_);
    const RunStart after = rememberRunStart();
    return after.imageKey != before.imageKey || after.chunk != before.chunk;
}

// Whether mixing can ever bring a chunk that has something to paste.
bool PLQShell::canDrawPasteableChunk() const {
    if (!placement_.mixChunks)
        return false;
    for (const auto& [key, image] : images_.images())
        for (const Chunk& chunk : image->chunks())
            if (!chunk.empty && chunk.probability > 0.0f)
                return true;
    return false;
}

// One synthesizer step with the image's current chunk; an empty chunk pastes nothing.
PasteOutcome PLQShell::stepChunk(InputImage& image) {
    if (chunkChanged_)
        prepareChunk(image);
    if (image.current().empty)
        return PasteOutcome::Nothing;
    return synthesizer_->step();
}

void PLQShell::prepareChunk(InputImage& image) {
    makeChunkPixels(image, chunkPixels_);
    synthesizer_->setChunk(&chunkPixels_);
    makeChunkMask(image, chunkMask_);
    synthesizer_->setLimitMap(&chunkMask_);
    chunkChanged_ = false;
}

bool PLQShell::stopRequested() const {
    QMutexLocker lock(&mutex_);
    return stopRequested_;
}

void PLQShell::post(QEvent::Type type) {
    auto* event = new PLQCustomEvent(type, synthesizer_->lastBox());
    handOver(this);
    QCoreApplication::postEvent(this, event);
}
