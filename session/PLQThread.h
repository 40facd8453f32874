#pragma once

#include <QThread>

class PLQShell;

// The worker thread of a session: each start() performs one run of the shell's runBody().
class PLQThread : public QThread {
public:
    // `shell` owns the thread and outlives it.
    explicit PLQThread(PLQShell* shell);

protected:
    void run() override;

private:
    PLQShell* shell_;
};
