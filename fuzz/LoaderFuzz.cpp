// The loading function as a whole: header check, the toolkit's readers, FreeImage in its child
// process, scaling down and the alpha stretch. Every input must either add one image no larger
// than the output or be refused with one warning.
#include <QCoreApplication>
#include <QFile>
#include <QSize>
#include <QString>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <pthread.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include "chunks/ImageCollection.h"
#include "fuzz/FuzzInput.h"
#include "session/ImageLoader.h"
#include "session/WarningReporter.h"

namespace {

class CountedWarnings : public WarningReporter {
public:
    void warning(const QString&) override { ++count; }
    int count = 0;
};

// The inputs are written here, one file per extension, rewritten for every run.
std::string gFolder;

// Small enough that most seeds are halved at least once.
const QSize kOutput(48, 48);

bool writeFile(const std::string& path, const uint8_t* bytes, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// A reader that fails in the decoder's child process is contained there: the loader refuses the
// file with a warning. The child inherits libFuzzer's death callback, which would file the input
// as a crash of this target; instead the child keeps the file as the reader saw it, named
// ARTIFACT_PREFIXchild-PID.EXT, for replaying with FreeImage alone.
char gChildPrefix[PATH_MAX] = "child-";
char gInputPath[PATH_MAX] = "";

void keepChildInput() {
    char name[PATH_MAX + 32];
    const char* extension = std::strrchr(gInputPath, '.');
    std::snprintf(name, sizeof name, "%s%d%s", gChildPrefix, int(getpid()), extension ? extension : "");
    const int in = open(gInputPath, O_RDONLY | O_CLOEXEC);
    const int out = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    char buffer[4096];
    ssize_t n = 0;
    while (in >= 0 && out >= 0 && (n = read(in, buffer, sizeof buffer)) > 0)
        if (write(out, buffer, size_t(n)) != n)
            break;
    _exit(1);
}

// libFuzzer's -artifact_prefix, for the child's files.
void takeArtifactPrefix(int argc, char** argv) {
    const char kFlag[] = "-artifact_prefix=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], kFlag, sizeof kFlag - 1) == 0)
            std::snprintf(gChildPrefix, sizeof gChildPrefix, "%schild-", argv[i] + sizeof kFlag - 1);
}

} // namespace

// The toolkit's readers comment on what they refuse; the fuzzer's own output says enough.
void dropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qInstallMessageHandler(dropMessage);
    takeArtifactPrefix(*argc, *argv);
    pthread_atfork(nullptr, nullptr, [] { __sanitizer_set_death_callback(keepChildInput); });
    // The toolkit finds its image format plug-ins through the application object.
    static QCoreApplication application(*argc, *argv);
    char folder[] = "/tmp/patchloom-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        std::abort();
    gFolder = folder;
    std::atexit([] { rmdir(gFolder.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size);
    const std::string path = gFolder + "/input." + input.extension();
    if (!writeFile(path, input.bytes(), input.size()))
        std::abort();
    std::snprintf(gInputPath, sizeof gInputPath, "%s", path.c_str());
    ImageCollection images;
    CountedWarnings warnings;
    ImageLoader loader(images, warnings);
    const std::vector<ImageLoader::Key> keys = loader.loadFiles({QFile::decodeName(path.c_str())}, kOutput);
    const bool added = keys.size() == 1 && warnings.count <= 1;  // a scaled picture comes with one warning
    const bool refused = keys.empty() && warnings.count == 1;
    if (!added && !refused)
        std::abort();
    if (added) {
        const PixelBuffer& pixels = images.find(keys[0])->pixels();
        if (pixels.width() >= uint32_t(kOutput.width()) || pixels.height() >= uint32_t(kOutput.height()))
            std::abort();
    }
    unlink(path.c_str());
    return 0;
}
