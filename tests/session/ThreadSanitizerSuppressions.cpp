// Read by ThreadSanitizer at start-up when the tests are built with it; nothing otherwise.
#if defined(__SANITIZE_THREAD__)

// QThread::wait() learns that a worker has finished through Qt's futex-based mutex, which
// ThreadSanitizer cannot see in an uninstrumented Qt; destroying the finished thread object
// then looks like a race with the wake-up the thread sent on its way out.
extern "C" const char* __tsan_default_suppressions() {
    return "race:QWaitCondition::~QWaitCondition\n";
}

#endif
