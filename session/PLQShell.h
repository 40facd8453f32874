#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <QEvent>
#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QString>

#include "engine/Box.h"
#include "chunks/RunStatistics.h"
#include "engine/PixelBuffer.h"
#include "session/MOSMain.h"
#include "session/PLQCustomEvent.h"
#include "session/WarningReporter.h"

class PLQThread;

// The session controller: turns the user's commands into operations on the session model,
// runs pastes on a worker thread and reports back on the GUI thread through signals.
// Lives on the GUI thread; every slot, signal and accessor below belongs to that thread.
// While a run is active the worker alone changes the model; commands that would change it
// are ignored until the run has ended.
class PLQShell : public QObject, public MOSMain {
    Q_OBJECT

public:
    // A session over width x height host pixels (not owned; null = an owned buffer). The
    // host image is kept as originalImage() and the output starts all 0.
    PLQShell(uint32_t width, uint32_t height, uint32_t* hostPixels = nullptr);
    // Stops an active run and waits for the worker before anything is released.
    ~PLQShell() override;

    // From the start of a run until the GUI thread has handled its end.
    bool isRunning() const;
    // The next run pastes the current chunk once at (pasteX, pasteY) of the placement.
    bool singlePaste() const { return singlePaste_; }
    // The session's settings store; only "openPath" is kept there.
    QSettings& settings() { return settings_; }
    // Where the texts for the user go (not owned, may be null: nothing is shown): why a run
    // gave up before the output was full, or why its result could not be recorded. Told on
    // the GUI thread after the run's end has been signalled.
    void setWarningReporter(WarningReporter* warnings) { warnings_ = warnings; }

public slots:
    // Stops an active run; otherwise starts the automatic process.
    void goStopEvent();
    // Pastes the current chunk once at (pasteX, pasteY); ignored while a run is active.
    void pasteChunkEvent();
    // Step back or forward in the history; ignored at its ends and while a run is active.
    void undoEvent();
    void redoEvent();
    // Empties the output, or puts the host image back ("Paste Input"), as a new history
    // step. Ignored while a run is active.
    void clearEvent();
    void pasteEvent();
    // Asks an active run to stop, abandoning a paste in progress; otherwise nothing.
    void cancelEvent();

signals:
    // True when a run starts, false when it has ended: the interface must not change the
    // model in between.
    void lockInterface(bool locked);
    // A run ended, or undo, redo, clear or "Paste Input" changed the output. The box is the
    // region of the last paste; empty means the whole output may have changed.
    void updateTerminated(const Box& box);
    // One automatic step finished; the box is the region it pasted (empty: nothing changed).
    void updateStep(const Box& box);

protected:
    // Turns the worker's notifications into the signals above.
    void customEvent(QEvent* event) override;

private:
    friend class PLQThread;
    class WorkerListener;

    void startRun();
    void finishRun();
    void runBody();
    QString runWarning(const RunStatistics& stats) const;
    bool stopRequested() const;
    void postStep();
    void postEnd(const QString& warning);

    QSettings settings_;
    mutable QMutex mutex_;  // guards running_ and stopRequested_
    bool running_ = false;
    bool stopRequested_ = false;
    bool singlePaste_ = false;
    std::unique_ptr<PLQThread> thread_;
    WarningReporter* warnings_ = nullptr;
    std::unique_ptr<PLQCustomEvent> endEvent_; // made by startRun, posted by the worker
    PixelBuffer chunkPixels_;
    PixelBuffer chunkMask_;
};
