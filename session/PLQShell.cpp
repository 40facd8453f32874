#include "session/PLQShell.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <new>

#include <QCoreApplication>
#include <QMetaType>
#include <QMutexLocker>

#include "chunks/SynthesisRun.h"
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
        try {
            endEvent_ = std::make_unique<PLQCustomEvent>(PLQCustomEvent::RunTerminatedEvent, Box::empty());
        } catch (const std::bad_alloc&) {
            return; // no run that could not tell its end
        }
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
        QCoreApplication::postEvent(this, endEvent_.release());
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
        auto* end = static_cast<PLQCustomEvent*>(event);
        finishRun();
        emit lockInterface(false);
        emit updateTerminated(end->box());
        // After the signals, so that the window shows the run's result behind the message.
        if (warnings_ && !end->warning().isEmpty())
            warnings_->warning(end->warning());
    }
}

// The shell's side of a run on the worker thread: step events, a breath for the GUI thread
// now and then, and the stop flag.
class PLQShell::WorkerListener : public RunListener {
public:
    explicit WorkerListener(PLQShell& shell) : shell_(shell) {}
    void goingOn(uint64_t index) override {
        shell_.postStep();
        if ((index & 15) == 15)
            QThread::msleep(1);
    }
    bool stopRequested() override { return shell_.stopRequested(); }

private:
    PLQShell& shell_;
};

void PLQShell::runBody() {
    QString warning;
    try {
        WorkerListener listener(*this);
        SynthesisRun run(
            {*synthesizer_, images_, placement_, random_, chunkPixels_, chunkMask_, chunkChanged_, &viewLock_},
            listener);
        run.setMemoryLimit(memoryLimit_);
        const RunStatistics stats = singlePaste_ ? run.pasteOnce() : run.runAutomatic();
        outputFull_ = synthesizer_->isComplete();
        warning = runWarning(stats);
        // A run that changed nothing records nothing: an entry would only throw away the redo
        // steps and add an undo step that does nothing.
        if (stats.pastes() > 0 && !recordOrRevert())
            warning = QStringLiteral("There is not enough memory to keep this step for undo; the output was put "
                                     "back as it was.");
    } catch (const std::bad_alloc&) {
        // Whatever ran out, the run ends here and the interface must be unlocked.
        warning = QStringLiteral("The process stopped: there is not enough memory.");
    }
    postEnd(warning);
}

// What the user is told about the end of a run: nothing when it did what was asked or was
// stopped, otherwise why it gave up.
QString PLQShell::runWarning(const RunStatistics& stats) const {
    switch (stats.end) {
    case RunEnd::NotOpaqueEnough:
    case RunEnd::Stalled:
    case RunEnd::CannotPaste:
    case RunEnd::OverBudget:
    case RunEnd::OutOfMemory:
        break;
    default:
        return QString();
    }
    QString reason = QString::fromUtf8(runEndReason(stats.end));
    if (stats.end == RunEnd::OverBudget)
        reason = QStringLiteral("a paste of this chunk would need about %1 MB of memory, more than the %2 MB it may "
                                "use. Use smaller chunks")
                     .arg((stats.refusedMemory + (1u << 19)) >> 20)
                     .arg((stats.memoryBudget + (1u << 19)) >> 20);
    if (singlePaste_)
        return stats.end == RunEnd::OutOfMemory || stats.end == RunEnd::OverBudget
                   ? QStringLiteral("The chunk was not pasted: %1.").arg(reason)
                   : QString();
    return QStringLiteral("The process stopped before the output was covered: %1.").arg(reason);
}

bool PLQShell::stopRequested() const {
    QMutexLocker lock(&mutex_);
    return stopRequested_;
}

void PLQShell::postStep() {
    PLQCustomEvent* event = nullptr;
    try {
        event = new PLQCustomEvent(PLQCustomEvent::RunStepEvent, synthesizer_->lastBox());
    } catch (const std::bad_alloc&) {
        return; // a missed repaint; the end event repaints anyway
    }
    handOver(this);
    QCoreApplication::postEvent(this, event);
}

// The end event was made when the run started, so that it can always be posted.
void PLQShell::postEnd(const QString& warning) {
    endEvent_->setBox(synthesizer_->lastBox());
    try {
        endEvent_->setWarning(warning);
    } catch (const std::bad_alloc&) {
    }
    // Taken out of endEvent_ before the hand-over: the GUI thread destroys endEvent_ later.
    PLQCustomEvent* end = endEvent_.release();
    handOver(this);
    QCoreApplication::postEvent(this, end);
}
