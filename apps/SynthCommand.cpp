#include "apps/SynthCommand.h"

#include <QFile>
#include <QtGlobal>
#include <QSize>
#include <QStringList>

#include <chrono>
#include <sstream>

#include "apps/DemoTexture.h"
#include "apps/InterruptWatch.h"
#include "apps/PngFile.h"
#include "apps/ProgressBar.h"
#include "apps/QualityFigures.h"
#include "apps/QuietReaders.h"
#include "apps/RepetitionScore.h"
#include "apps/SynthArgumentParser.h"
#include "apps/SynthReport.h"
#include "apps/SynthRunner.h"
#include "apps/TerminalWarnings.h"
#include "chunks/SynthesisRun.h"
#include "chunks/RandomChunks.h"
#include "session/ImageLoader.h"

namespace {

const char* kPrefix = "patchloom synth: ";

PlacementParameters placementFor(const SynthOptions& options) {
    PlacementParameters placement;
    placement.method = options.method;
    placement.mixChunks = options.mixChunks;
    placement.jittering = options.jittering;
    placement.coveringFactor = options.coveringFactor;
    return placement;
}

} // namespace

std::string SynthCommand::usage() {
    return R"(Usage: patchloom synth INPUT... -o OUT [options]
       patchloom synth --demo -o OUT [options]

Builds a seamless tile of the given size from chunks of the input images. Chunks are pasted
automatically, each one cut into the earlier content along a minimum-cost seam, until every
pixel is covered. The tile is written as an 8-bit RGBA PNG.

Input and output:
  INPUT...              image files (PNG, JPEG, TIFF, BMP, TGA, ...); an input that is not
                        smaller than the output is scaled down by halves, with a warning
  --demo                use the built-in cobblestone sample instead of INPUT files
  -o, --output OUT      PNG file to write; an existing OUT is replaced only by a complete file
  --size WxH            output size in pixels, 8 to 8192 per side (default 512x512)

Placement:
  --method matched|random|semi-regular
                        matched: each chunk goes where it agrees best with what is
                        already there, near the next point of a quasi-random sequence
                        (default); random: at those points, displaced by the jitter;
                        semi-regular: on a grid of overlapping cells
  --jitter PCT          random displacement of the random method, 0-100 (default 50)
  --covering PCT        overlap of the semi-regular grid cells, 0-99 (default 25)

Chunks:
  Without --mix the whole of the last INPUT is pasted again and again.
  --mix                 draw every chunk at random among the chunks of all inputs, by their
                        probabilities (each input starts with one chunk: the whole image)
  --chunks N            add N random rectangular chunks to every input, 1-100
  --chunk-size PCT      size of those chunks relative to their input, 5-80 (default 20)
  --prefilter R         high-pass pre-filter every input with box radius R, 1-25 (0 = off),
                        to remove slow changes of illumination

Run:
  --seed S              seed of every random choice, 0-4294967295: the same seed and options
                        give the same file (default: from the clock; --report shows it)
  --report              print a JSON summary on stdout: size, steps, pastes by outcome,
                        time, stored seams, mean seam cost, seam and wrap contrast, and
                        how much the tile and its inputs repeat themselves
  --no-partial          when interrupted, write nothing instead of the part done so far
  -h, --help            show this help

A progress line is shown on stderr when it is a terminal. Ctrl+C stops the run and, unless
--no-partial is given, writes what was synthesized so far; a second Ctrl+C quits at once.
Exit status: 0 done, 1 unreadable input, unwritable output or a run that could not finish,
2 bad arguments, 130 interrupted.
)";
}

uint32_t SynthCommand::chooseSeed(const SynthOptions& options) {
    if (options.seed)
        return *options.seed;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

// The demo is drawn directly at the size a loaded file would be halved to, so that it is
// smaller than the output in both directions.
void SynthCommand::addDemo(const SynthOptions& options, ImageCollection& images) {
    uint32_t side = DemoTexture::kDefaultSide;
    while (side > 1 && (side >= options.width || side >= options.height))
        side /= 2;
    const uint32_t key = images.addImage(DemoTexture::make(side));
    images.normaliseProbabilities(-1.0f);
    images.setCurrent(key);
}

// Every input must load: a file the loader skips fails the command after its warning.
bool SynthCommand::loadInputs(const SynthOptions& options, ImageCollection& images) {
    if (options.demo) {
        addDemo(options, images);
        return true;
    }
    QStringList paths;
    for (const std::string& input : options.inputs)
        paths << QFile::decodeName(input.c_str());
    std::ostringstream said;
    TerminalWarnings warnings(said, kPrefix);
    ImageLoader loader(images, warnings);
    size_t loaded = 0;
    {
        const QuietReaders quiet;
        loaded = loader.loadFiles(paths, QSize(int(options.width), int(options.height))).size();
    }
    err_ << said.str();
    return loaded == size_t(paths.size());
}

// Pre-filter and random chunks, in the order of the images; the seed stands for the clock
// that the interactive chunk generator reads.
void SynthCommand::prepareChunks(const SynthOptions& options, ImageCollection& images, uint32_t seed) {
    RandomGenerator random(seed);
    for (const auto& [key, image] : images.images()) {
        image->setFilterRadius(options.filterRadius);
        if (options.chunkCount > 0)
            generateChunks(images, key, int32_t(options.chunkCount), options.chunkSize, random);
    }
}

RunStatistics SynthCommand::synthesize(SynthRunner& runner) {
    ProgressBar bar(err_, showProgress_);
    RunStatistics stats = runner.run([&bar](const RunStatistics& s, const PixelBuffer& output) {
        bar.update(output, s.pastes(), s.elapsedSeconds);
    });
    bar.clear();
    return stats;
}

// The highest score among the pictures chunks were cut from (pre-filtered when the filter is on).
std::optional<double> SynthCommand::inputRepetition(const ImageCollection& images) {
    std::optional<double> highest;
    for (const auto& [key, image] : images.images()) {
        const std::optional<double> score = RepetitionScore::ofImage(image->workingPixels());
        if (score && (!highest || *score > *highest))
            highest = score;
    }
    return highest;
}

void SynthCommand::report(const SynthOptions& options, uint32_t seed, const SynthRunner& runner,
                          const RunStatistics& stats, bool written, const ImageCollection& images) {
    const SeamStore& seams = runner.synthesizer().seamStore();
    const SynthReport summary{options.output,
                              written,
                              options.width,
                              options.height,
                              seed,
                              stats,
                              seams.size(),
                              QualityFigures::measure(runner.output(), seams),
                              RepetitionScore::ofTile(runner.output()),
                              inputRepetition(images)};
    out_ << summary.json() << "\n";
}

bool SynthCommand::shouldWrite(const SynthOptions& options, const RunStatistics& stats) {
    return stats.complete || !options.noPartial;
}

int SynthCommand::exitStatus(const SynthOptions& options, const RunStatistics& stats, bool written) {
    if (stats.complete)
        return kDone;
    const std::string what = written ? "wrote the part synthesized so far to '" + options.output + "'"
                                     : std::string("nothing written");
    if (stats.interrupted) {
        err_ << kPrefix << "interrupted after " << stats.pastes() << " pastes; " << what << "\n";
        return kInterrupted;
    }
    err_ << kPrefix << "gave up after " << stats.steps << " steps: " << runEndReason(stats.end) << "; " << what
         << "\n";
    return kFailed;
}

int SynthCommand::run(const std::vector<std::string>& words) {
    const SynthArgumentParser::Result parsed = SynthArgumentParser::parse(words);
    if (!parsed.ok()) {
        err_ << kPrefix << parsed.error << "\n";
        return kBadArguments;
    }
    if (parsed.options.help) {
        out_ << usage();
        return kDone;
    }
    return execute(parsed.options);
}

int SynthCommand::execute(const SynthOptions& options) {
    // A long synthesis must not end in finding that OUT cannot be written.
    std::string outputProblem;
    if (!PngFile::checkWritable(options.output, outputProblem)) {
        err_ << kPrefix << outputProblem << "\n";
        return kFailed;
    }
    ImageCollection images;
    if (!loadInputs(options, images))
        return kFailed;
    const uint32_t seed = chooseSeed(options);
    prepareChunks(options, images, seed);

    SynthRunner runner(images, placementFor(options), seed, options.width, options.height);
    // Held until the file is in place: a Ctrl+C while writing then only ends the run early,
    // instead of killing the process and leaving the temporary file behind.
    InterruptWatch watch([&runner] { runner.requestStop(); });
    const RunStatistics stats = synthesize(runner);

    bool written = false;
    std::string writeError;
    if (shouldWrite(options, stats))
        written = PngFile::writeAtomically(runner.output(), options.output, writeError);
    if (options.report)
        report(options, seed, runner, stats, written, images);
    if (!writeError.empty()) {
        err_ << kPrefix << writeError << "\n";
        return kFailed;
    }
    return exitStatus(options, stats, written);
}
