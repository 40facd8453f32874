#include "apps/QuietReaders.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

void ignoreToolkitMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

QuietReaders::QuietReaders() : previousHandler_(qInstallMessageHandler(ignoreToolkitMessage)) {
    std::fflush(stderr);
    const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink < 0)
        return;
    savedStderr_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (savedStderr_ >= 0)
        dup2(sink, STDERR_FILENO);
    close(sink);
}

QuietReaders::~QuietReaders() {
    std::fflush(stderr);
    if (savedStderr_ >= 0) {
        dup2(savedStderr_, STDERR_FILENO);
        close(savedStderr_);
    }
    qInstallMessageHandler(previousHandler_);
}
