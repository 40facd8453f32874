// The loading function as a whole: header check, the toolkit's readers, FreeImage in its child
// process, scaling down and the alpha stretch. Every input must either add one image no larger
// than the output or be refused with one warning.
#include <QCoreApplication>
#include <QFile>
#include <QSize>
#include <QString>

#include <cstdlib>
#include <string>
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

} // namespace

// The toolkit's readers comment on what they refuse; the fuzzer's own output says enough.
void dropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qInstallMessageHandler(dropMessage);
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
