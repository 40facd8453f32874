#include "host/PluginAbout.h"

#include <QMessageBox>

#include "host/PluginApplication.h"
#include "host/PluginResources.h"
#include "host/QWinWidget.h"

void PluginAbout::show(uintptr_t hostWindow) {
    const PluginApplication application;
    QWinWidget wrapper(hostWindow, nullptr, "aboutWrapper", Qt::Dialog);
    wrapper.showCentered();
    const uint32_t version = PluginResources::properties().version;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Patchloom"),
                    QStringLiteral("<b>Patchloom %1.%2</b><p>Seamless textures from chunks of your own images, "
                                   "joined along minimum-cost seams.</p>")
                        .arg(version >> 16)
                        .arg((version >> 8) & 0xFF),
                    QMessageBox::Ok, &wrapper);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.exec();
}
