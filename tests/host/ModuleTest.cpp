#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <string>

#include "support/ModuleScript.h"
#include "TestHost.h"

namespace {

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

} // namespace

TEST(Module, ExportsNothingButTheEntryPoint) {
    const std::string symbols = run("nm -D --defined-only '" PATCHLOOM_MODULE "'");
    ASSERT_NE(symbols.find(" T ENTRYPOINT\n"), std::string::npos) << symbols;
    EXPECT_EQ(symbols.find('\n'), symbols.size() - 1) << symbols;
}

TEST(Module, AboutShowsTheBoxOverTheHostAndReturnsWhenItIsClosed) {
    const EntryPointProc entry = loadModule();
    ASSERT_NE(entry, nullptr) << dlerror();
    QString shown;
    ModuleScript::set([&shown] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                shown = box->text();
                box->accept();
                return true;
            }
        }
        return false;
    });
    AboutRecord about;
    PlatformData platform;
    about.platformData = &platform;
    intptr_t data = 0;
    int16_t result = -1;
    entry(kSelectorAbout, &about, &data, &result);
    ModuleScript::set(nullptr);
    EXPECT_EQ(result, kResultOk);
    EXPECT_TRUE(shown.contains("Patchloom 4.0")) << shown.toStdString();
    EXPECT_EQ(QApplication::instance(), nullptr);  // the module's application is gone again
}
