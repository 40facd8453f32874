#include "apps/EditCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QtGlobal>

#include <cstring>
#include <new>

#include "apps/EditArgumentParser.h"
#include "apps/HostedEdit.h"
#include "apps/PngFile.h"
#include "apps/TerminalWarnings.h"
#include "engine/PixelBuffer.h"
#include "session/ImageLoader.h"

namespace {

const char* kPrefix = "patchloom edit: ";

void ignoreToolkitMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// The readers' own diagnostics would repeat, less clearly, what the loader's message says.
class QuietReaders {
public:
    QuietReaders() : previous_(qInstallMessageHandler(ignoreToolkitMessage)) {}
    ~QuietReaders() { qInstallMessageHandler(previous_); }
    QuietReaders(const QuietReaders&) = delete;
    QuietReaders& operator=(const QuietReaders&) = delete;

private:
    QtMessageHandler previous_;
};

QString fromLocal(const std::string& path) { return QFile::decodeName(path.c_str()); }

}  // namespace

std::string EditCommand::usage() {
    return R"(Usage: patchloom edit IMAGE -o OUT [--mode MODE] [--state FILE] [host variants]
       patchloom edit --size WxH -o OUT [IMAGE]

The stand-in image editor: hands IMAGE to the Patchloom filter module (MOS.8bf) as the
image to filter, in the colour mode asked for, with a window of its own standing for the
editor's window. The module opens the Patchloom window over it; "Apply" writes the new
picture to OUT, "Cancel" writes nothing. The new picture has the size of IMAGE; the window
starts with it empty, and "Paste Input" brings IMAGE back into it.

  IMAGE                 the picture to edit (PNG, JPEG, TIFF, BMP, TGA, ...)
  -o, --output OUT      PNG file written on "Apply"; an existing OUT is replaced only by a
                        complete file
  --size WxH            edit a new, transparent picture of W x H pixels (2 to 8192 per
                        side) instead; IMAGE, if given, is loaded as the first input image
                        (the window then opens in this program, since an editor cannot
                        hand input images to the module, unless a host option is given)
  --mode MODE           the image's colour mode and depth as the module sees it: rgb,
                        rgb16, gray, gray16, cmyk, lab, hsb, hsl, multichannel, duotone
                        (default rgb, or rgb16 for a 16-bit file); indexed is refused, as
                        the filter does not take it. OUT is converted back to RGB, as a
                        16-bit PNG for the 16-bit modes
  --state FILE          keep the filter's parameters and scripting values in FILE between
                        runs, as a recorded action would (created when missing)
  --module PATH         the filter module to load (default: MOS.8bf beside patchloom)
  --no-advance-state    the editor offers no strip transfer: nothing is read, and the
                        result is written through continue calls
  --identify-as-premiere
                        run as the video editor (the module then writes through
                        continue calls)
  --no-colour-services, --no-descriptors, --no-handle-suite
                        leave that part of the editor's interface out
  --no-window           no window of the editor's own (the Patchloom window still opens)
  -h, --help            show this help

Ctrl+C while the filter transfers the image is the editor's cancel.

In the window: "Add" loads input images; draw a chunk on the current input image (drag a
rectangle or a lasso, Shift adds, Alt subtracts); click in the output to paste the chunk
(wheel: scale, Ctrl+wheel: turn) or press "Start process" to fill the output automatically;
Escape stops a run; Page Up / Page Down zoom; Ctrl+Z / Ctrl+Y undo and redo.

Exit status: 0 applied and written, 1 cancelled (nothing written) or a failure (one line on
stderr, no window), 2 bad arguments.
)";
}

EditCommand::EditCommand(std::ostream& out, std::ostream& err, Session session, Host host)
    : out_(out), err_(err), session_(std::move(session)), host_(std::move(host)) {}

int EditCommand::run(const std::vector<std::string>& words) {
    const EditArgumentParser::Result parsed = EditArgumentParser::parse(words);
    if (!parsed.ok()) {
        err_ << kPrefix << parsed.error << "\n";
        return kBadArguments;
    }
    if (parsed.options.help) {
        out_ << usage();
        return kApplied;
    }
    words_ = words;
    return execute(parsed.options);
}

int EditCommand::fail(const std::string& message) {
    err_ << kPrefix << message << "\n";
    return kFailed;
}

// Qt would end the process when it cannot reach a display; say why instead.
bool EditCommand::checkDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    fail("no display to open the window on (DISPLAY is not set; under a headless system use xvfb-run)");
    return false;
}

// Checked before the window opens, so that no work is lost to an output that cannot be written.
bool EditCommand::checkOutput(const std::string& path) {
    const QFileInfo file(fromLocal(path));
    if (file.isDir()) {
        fail("'" + path + "' is a folder; -o names the PNG file to write");
        return false;
    }
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir()) {
        fail("cannot write '" + path + "': the folder '" + QFile::encodeName(folder.filePath()).toStdString() +
             "' does not exist");
        return false;
    }
    if (!folder.isWritable()) {
        fail("cannot write '" + path + "': the folder is not writable");
        return false;
    }
    return true;
}

bool EditCommand::readPicture(const std::string& path, std::vector<uint32_t>& pixels, int& width, int& height) {
    QString failure;
    QImage image;
    {
        const QuietReaders quiet;
        image = ImageLoader::readPicture(fromLocal(path), failure);
    }
    if (image.isNull()) {
        fail(TerminalWarnings::plainLine(failure));
        return false;
    }
    width = image.width();
    height = image.height();
    if (width < 2 || height < 2) {
        fail("'" + path + "' is " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels; the window needs at least 2 x 2");
        return false;
    }
    pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels.data() + size_t(y) * size_t(width), image.constScanLine(y), size_t(width) * 4);
    return true;
}

bool EditCommand::checkReadable(const std::string& path) {
    QString failure;
    const QuietReaders quiet;
    if (!ImageLoader::readableAsInput(fromLocal(path), failure)) {
        fail(TerminalWarnings::plainLine(failure));
        return false;
    }
    return true;
}

int EditCommand::execute(const EditOptions& options) {
    if (!checkDisplay() || !checkOutput(options.output))
        return kFailed;
    std::vector<uint32_t> pixels;
    int width = int(options.width), height = int(options.height);
    QStringList inputs;
    try {
        if (options.sizeGiven) {
            if (!options.image.empty()) {
                if (!checkReadable(options.image))
                    return kFailed;
                inputs << fromLocal(options.image);
            }
            pixels.assign(size_t(width) * size_t(height), 0u);
        } else if (!readPicture(options.image, pixels, width, height)) {
            return kFailed;
        }
    } catch (const std::bad_alloc&) {
        return fail("not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) +
                    " picture");
    }

    // Input images cannot reach the module through its host, so a new picture with an input
    // opens the window here, unless the host itself was asked for.
    const bool direct = session_ && !inputs.isEmpty() && !options.asksForHost();
    if (!direct)
        return hosted(options, pixels, width, height);
    if (!session_(pixels.data(), width, height, inputs))
        return kNotApplied;
    std::string error;
    const PixelBuffer result = PixelBuffer::aliasing(uint32_t(width), uint32_t(height), pixels.data());
    if (!PngFile::writeAtomically(result, options.output, error))
        return fail(error);
    return kApplied;
}

// Through the filter module, as an image editor runs it. A 16-bit file is handed over at its
// own depth; everything else as the loader read it.
int EditCommand::hosted(const EditOptions& options, const std::vector<uint32_t>& pixels, int width, int height) {
    QImage picture;
    if (!options.sizeGiven) {
        const QuietReaders quiet;
        QImageReader reader(fromLocal(options.image));
        const QImage deep = reader.read();
        if (deep.depth() == 64 || deep.format() == QImage::Format_Grayscale16)
            picture = deep;
    } else if (!options.image.empty()) {
        err_ << kPrefix << "note: the filter module takes no input images from its host; add '" << options.image
             << "' with \"Add\" in the window\n";
    }
    if (picture.isNull()) {
        picture = QImage(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            std::memcpy(picture.scanLine(y), pixels.data() + size_t(y) * size_t(width), size_t(width) * 4);
    }
    return host_ ? host_(picture, options, words_) : HostedEdit(out_, err_).run(picture, options, words_);
}
