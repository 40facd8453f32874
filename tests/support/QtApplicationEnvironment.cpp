#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include <QApplication>
#include <QStandardPaths>

namespace {

// Widgets need an application object, and the shell posts events across threads through it:
// one for the whole test program, unless the program already made one. Settings go to a test
// location, never to the user's own.
class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        if (QCoreApplication::instance())
            return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char* argv_[2] = {program_invocation_short_name, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
