#include "apps/HostedEdit.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <memory>

#include <QFile>
#include <QImage>
#include <QSaveFile>

#include "apps/FilterModule.h"
#include "apps/HostColourEngine.h"
#include "apps/HostImage.h"
#include "apps/HostStateFile.h"
#include "apps/HostWindow.h"
#include "host/PluginResources.h"

const char* HostedEdit::kPremiereName = "Adobe Premiere";

namespace {

const char* kPrefix = "patchloom edit: ";

StandInHost* cancellable = nullptr;

// Ctrl+C while the filter transfers strips is the host's cancel.
void onInterrupt(int) {
    if (cancellable)
        cancellable->cancel();
}

class CancelOnInterrupt {
public:
    explicit CancelOnInterrupt(StandInHost& host) {
        cancellable = &host;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigaction(SIGINT, &action, &previous_);
    }
    ~CancelOnInterrupt() {
        sigaction(SIGINT, &previous_, nullptr);
        cancellable = nullptr;
    }
    CancelOnInterrupt(const CancelOnInterrupt&) = delete;
    CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;

private:
    struct sigaction previous_ {};
};

bool sixteenBit(const QImage& picture) {
    switch (picture.format()) {
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale16:
        return true;
    default:
        return false;
    }
}

bool writePng(const QImage& picture, const std::string& path, std::string& error) {
    QSaveFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
        error = "cannot write '" + path + "': " + file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace

int HostedEdit::fail(const std::string& message, int status) {
    err_ << kPrefix << message << "\n";
    return status;
}

// The module tells its host by the name the host program was started under.
bool HostedEdit::restartAsPremiere(const std::vector<std::string>& words) {
    if (std::strcmp(program_invocation_short_name, kPremiereName) == 0)
        return true;
    std::vector<std::string> all{kPremiereName, "edit"};
    all.insert(all.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : all)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    out_.flush();
    err_.flush();
    execv("/proc/self/exe", argv.data());
    return false;
}

int HostedEdit::run(const QImage& picture, const EditOptions& options, const std::vector<std::string>& words) {
    if (options.premiere && !restartAsPremiere(words))
        return fail("cannot start again as the video editor: " + std::string(std::strerror(errno)));
    const std::string modeName = !options.mode.empty() ? options.mode : sixteenBit(picture) ? "rgb16" : "rgb";
    const HostImage::Mode* mode = HostImage::modeNamed(modeName);
    if (!mode)
        return fail("unknown mode '" + modeName + "' (" + HostImage::modeNames() + ")", kBadArguments);
    if (!PluginResources::enabledFor(mode->imageMode, mode->depth))
        return fail("the filter does not take images in " + modeName + " mode");

    StandInHost::Kept kept;
    std::string error;
    if (!options.stateFile.empty() && !HostStateFile::load(options.stateFile, kept, error))
        return fail(error);
    FilterModule module;
    if (!module.load(options.module.empty() ? FilterModule::besideProgram() : options.module, error))
        return fail(error);

    const HostColourEngine colours;
    HostImage image = HostImage::fromPicture(picture, *mode, colours);
    std::unique_ptr<HostWindow> window;
    if (options.window && qgetenv("QT_QPA_PLATFORM") != "offscreen")
        window = std::make_unique<HostWindow>(
            picture, "Stand-in host - " + (options.image.empty() ? "new picture" : options.image) + " (" + modeName + ")");
    int16_t result = 0;
    {
        StandInHost host(image, options.variant, colours);
        const CancelOnInterrupt interrupts(host);
        result = host.run(module.entry(), window ? window->id() : 0, kept);
    }
    if (!options.stateFile.empty() && !HostStateFile::save(options.stateFile, kept, error))
        return fail(error);
    if (result == kResultNotApplied)
        return kFailed;  // "Cancel": nothing to say, nothing written
    if (result != kResultOk)
        return fail("the filter ended with error " + std::to_string(result) + "; '" + options.output +
                    "' was not written");
    if (!writePng(image.toPicture(colours), options.output, error))
        return fail(error);
    return kApplied;
}

int HostedEdit::about(const std::string& path) {
    FilterModule module;
    std::string error;
    if (!module.load(path.empty() ? FilterModule::besideProgram() : path, error)) {
        err_ << "patchloom about: " << error << "\n";
        return kFailed;
    }
    // The about box belongs to a host window, as in an editor's menu.
    std::unique_ptr<HostWindow> window;
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        window = std::make_unique<HostWindow>(QImage(), "Stand-in host - about");
    AboutRecord record;
    PlatformData platform;
    platform.hostWindow = window ? window->id() : 0;
    record.platformData = &platform;
    intptr_t data = 0;
    int16_t result = 0;
    module.entry()(kSelectorAbout, &record, &data, &result);
    return result == kResultOk ? kApplied : kFailed;
}
