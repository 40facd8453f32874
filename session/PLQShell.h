#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <QEvent>
#include <QMutex>
#include <QObject>
#include <QSettings>

#include "engine/Box.h"
#include "engine/PixelBuffer.h"
#include "session/MOSMain.h"

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

    // What a run changes temporarily and puts back at its end.
    struct RunStart {
        uint32_t imageKey = 0;
        size_t chunk = 0;
        PlacementMethod method = PlacementMethod::Random;
    };

    void startRun();
    void finishRun();
    void runBody();

    bool selectRunImage();
    RunStart rememberRunStart() const;
    void restoreRunStart(const RunStart& start);
    void setGridCell();
    bool pasteOnce();
    bool pasteUntilDone();
    bool drawNextChunk();
    bool canDrawPasteableChunk() const;
    PasteOutcome stepChunk(InputImage& image);
    void prepareChunk(InputImage& image);
    bool stopRequested() const;
    void post(QEvent::Type type);

    QSettings settings_;
    mutable QMutex mutex_;  // guards running_ and stopRequested_
    bool running_ = false;
    bool stopRequested_ = false;
    bool singlePaste_ = false;
    std::unique_ptr<PLQThread> thread_;
    PixelBuffer chunkPixels_;
    PixelBuffer chunkMask_;
};
