#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QApplication>
#include <QMessageBox>
#include <QProcess>

#include <string>

#include "support/ModuleScript.h"
#include "TestHost.h"

TEST(Module, ExportsNothingButTheEntryPoint) {
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"),
                                    QStringLiteral(PATCHLOOM_MODULE)});
    ASSERT_TRUE(nm.waitForFinished());
    const std::string symbols = nm.readAllStandardOutput().toStdString();
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
