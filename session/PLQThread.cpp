#include "session/PLQThread.h"

#include "session/PLQShell.h"

PLQThread::PLQThread(PLQShell* shell) : shell_(shell) {}

void PLQThread::run() { shell_->runBody(); }
