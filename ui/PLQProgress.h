#pragma once

#include <QProgressBar>

class QTimer;

// The activity indicator of the buttons bar: while a run is active a block moves back and
// forth along the bar, ten steps of a hundred every 200 ms. It shows motion, not an amount.
class PLQProgress : public QProgressBar {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 200;
    static constexpr int kStep = 10;

    PLQProgress(QWidget* parent = nullptr, const char* name = nullptr, Qt::WindowFlags flags = {});

    bool isMoving() const;

public slots:
    // Stops the motion and empties the bar.
    void stop();
    // Starts the motion from where the block is (from the left edge after stop()).
    void start();

protected slots:
    // Moves the block one step, turning at either end.
    void step();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* timer_;
    bool forward_ = true;
};
