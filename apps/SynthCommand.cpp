#include "apps/SynthCommand.h"

#include <QFile>
#include <QtGlobal>
#include <QSize>
#include <QStringList>

#include <chrono>
#include <future>
#include <new>
#include <sstream>
#include <system_error>

#include "apps/CompanionTiles.h"
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
#include "apps/TileFiles.h"
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
pixel is covered. The tile is written as an RGBA PNG: 16 bits per channel when an INPUT has
16 bits (PNG, TIFF; grey or colour, with or without alpha), else 8. The synthesis decides on
8-bit copies of the inputs; the pixels written come from the files at their own depth.

Input and output:
  INPUT...              image files (PNG, JPEG, TIFF, BMP, TGA, ...); an input that is not
                        smaller than the output is scaled down by halves, with a warning
  --demo                use the built-in cobblestone sample instead of INPUT files
  -o, --output OUT      PNG file to write; an existing OUT is replaced only by a complete file
  --size WxH            output size in pixels, 8 to 8192 per side (default 512x512)

Companion maps (normal, height, roughness, ... maps of the same texture):
  --companion MAP=MAPOUT
                        give MAP exactly the pastes of its INPUT, same seams and blends, and
                        write the tile to MAPOUT; repeat for every map. With several INPUTs
                        name one map per INPUT, in INPUT order, separated by commas:
                          synth rock.png moss.png -o colour.png --mix
                                --companion rock_n.png,moss_n.png=normal.png
                        MAPOUT follows the last '='. A map must have the size of its INPUT
                        (it is scaled down alike); it keeps its own depth (8 or 16 bits) and
                        its own pixels (no --prefilter, which belongs to the colour INPUTs);
                        alpha and coverage come from the INPUT. A map that cannot be read or
                        has another size, and two tiles written to one file, are refused
                        before the run. OUT and every MAPOUT are written together: all of
                        them or, on failure, none.

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
  --chunks N            add N random rectangular chunks to every input, 1-100, and mix
                        them (--chunks implies --mix)
  --chunk-size PCT      size of those chunks relative to their input, 5-80 (default 20)
  --prefilter R         high-pass pre-filter every input with box radius R, 1-25 (0 = off),
                        to remove slow changes of illumination

Run:
  --memory-limit SIZE   the most memory one paste may take, e.g. 4096M or 4G (default: half
                        the memory available when the run starts); a larger paste ends the run
  --seed S              seed of every random choice, 0-4294967295: the same seed and options
                        give the same file (default: from the clock; --report shows it)
  --report              print a JSON summary on stdout: size, steps, pastes by outcome,
                        time, stored seams, mean seam cost, seam and wrap contrast, and
                        how much the tile and its inputs repeat themselves, and every
                        file written with its bits per channel
  --no-partial          when interrupted, write nothing instead of the part done so far
  -h, --help            show this help

A progress line is shown on stderr when it is a terminal. Ctrl+C stops the run and, unless
--no-partial is given, writes what was synthesized so far (OUT and every MAPOUT, all of the
same pastes); a second Ctrl+C quits at once.
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

// Every input must load: a file the loader skips fails the command after its warning. The
// companion maps are read right after, so that a bad one is refused before the run.
bool SynthCommand::loadInputs(const SynthOptions& options, ImageCollection& images, std::vector<LoadedInput>& inputs,
                              CompanionTiles& tiles) {
    if (options.demo) {
        addDemo(options, images);
        return true;
    }
    const QSize outputSize(int(options.width), int(options.height));
    std::ostringstream said;
    TerminalWarnings warnings(said, kPrefix);
    TerminalWarnings mapWarnings(said, std::string(kPrefix) + "companion map: ");
    ImageLoader loader(images, warnings);
    ImageLoader mapLoader(images, mapWarnings);
    bool loaded = true;
    {
        const QuietReaders quiet;
        for (const std::string& path : options.inputs) {
            const ImageLoader::Loaded file = loader.loadFile(QFile::decodeName(path.c_str()), outputSize);
            if (file.key == ImageCollection::kNoKey) {
                loaded = false;
                continue;
            }
            inputs.push_back({path, file.key, file.fileSize,
                              file.deep.isNull() ? CompanionMap() : CompanionTiles::toMap(file.deep)});
        }
        loaded = loaded && tiles.loadMaps(options.companions, inputs, mapLoader, outputSize);
    }
    err_ << said.str();
    return loaded;
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

// The tile's figures only read the output and its seams, so they are measured while the tiles
// are written instead of after them: after a Ctrl+C on a large tile only the file is waited for.
std::future<SynthCommand::ReportFigures> SynthCommand::measureAside(const SynthRunner& runner,
                                                                    std::optional<PixelOrigins> origins) {
    const auto measure = [&runner, origins = std::move(origins)] {
        return ReportFigures{QualityFigures::measure(runner.output(), runner.synthesizer().seamStore(),
                                                     origins ? &*origins : nullptr),
                             RepetitionScore::ofTile(runner.output()), std::nullopt};
    };
    try {
        return std::async(std::launch::async, measure);
    } catch (const std::system_error&) {  // no thread to be had: measured when the report asks
        return std::async(std::launch::deferred, measure);
    }
}

void SynthCommand::report(const SynthOptions& options, uint32_t seed, const SynthRunner& runner,
                          const RunStatistics& stats, const TileFiles& files, const ReportFigures& figures) {
    const SeamStore& seams = runner.synthesizer().seamStore();
    const bool written = !files.written().empty() && files.written().front().path == options.output;
    const SynthReport summary{options.output,
                              written,
                              options.width,
                              options.height,
                              seed,
                              stats,
                              seams.size(),
                              figures.quality,
                              figures.tileRepetition,
                              figures.inputRepetition,
                              files.written()};
    out_ << summary.json() << "\n";
}

bool SynthCommand::shouldWrite(const SynthOptions& options, const RunStatistics& stats) {
    return stats.complete || !options.noPartial;
}

int SynthCommand::exitStatus(const SynthOptions& options, const RunStatistics& stats, const TileFiles& files) {
    if (stats.complete)
        return kDone;
    const size_t count = files.written().size();
    std::string what = "nothing written";
    if (count > 0)
        what = "wrote the part synthesized so far to '" + options.output + "'" +
               (count > 1 ? " and " + std::to_string(count - 1) + " companion tile" + (count > 2 ? "s" : "") : "");
    if (stats.interrupted) {
        err_ << kPrefix << "interrupted after " << stats.pastes() << " pastes; " << what << "\n";
        return kInterrupted;
    }
    err_ << kPrefix << endText(stats) << "; " << what << "\n";
    return kFailed;
}

// Why the run ended early, with what to do where memory was the reason.
std::string SynthCommand::endText(const RunStatistics& stats) {
    const std::string steps = std::to_string(stats.steps) + " steps: ";
    if (stats.end == RunEnd::OverBudget)
        return "gave up after " + steps + "a paste of this chunk would need about " + megabytes(stats.refusedMemory) +
               " of memory, more than the " + megabytes(stats.memoryBudget) +
               " allowed; use smaller chunks (--chunks N --chunk-size PCT) or raise --memory-limit";
    if (stats.end == RunEnd::OutOfMemory)
        return "ran out of memory after " + steps + runEndReason(stats.end) +
               "; use smaller chunks (--chunks N --chunk-size PCT)";
    return "gave up after " + steps + runEndReason(stats.end);
}

std::string SynthCommand::megabytes(uint64_t bytes) { return std::to_string((bytes + (1u << 19)) >> 20) + " MB"; }

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
    // A long synthesis must not end in finding that OUT or a MAPOUT cannot be written.
    std::vector<std::string> targets{options.output};
    for (const CompanionOption& companion : options.companions)
        targets.push_back(companion.output);
    for (const std::string& target : targets) {
        std::string problem;
        if (!PngFile::checkWritable(target, problem)) {
            err_ << kPrefix << problem << "\n";
            return kFailed;
        }
    }
    ImageCollection images;
    std::vector<LoadedInput> inputs;
    CompanionTiles tiles(err_, kPrefix);
    if (!loadInputs(options, images, inputs, tiles))
        return kFailed;
    const uint32_t seed = chooseSeed(options);
    prepareChunks(options, images, seed);

    SynthRunner runner(images, placementFor(options), seed, options.width, options.height);
    runner.setMemoryLimit(options.memoryLimit);
    PasteRecord record;
    // The report judges joins by where each pixel came from, which the record tells.
    if (tiles.needRecord(inputs) || options.report)
        runner.setPasteRecord(&record);
    // Held until the files are in place: a Ctrl+C while writing then only ends the run early,
    // instead of killing the process and leaving temporary files behind.
    InterruptWatch watch([&runner] { runner.requestStop(); });
    const RunStatistics stats = synthesize(runner);

    // The inputs are scored before the tiles are written, which may use the images for
    // companion maps.
    std::optional<double> inputScore;
    std::future<ReportFigures> measuring;
    if (options.report) {
        inputScore = inputRepetition(images);
        measuring = measureAside(runner, PixelOrigins::trace(record, images, runner.output().width(), runner.output().height()));
    }
    TileFiles files;
    std::string writeError;
    if (shouldWrite(options, stats))
        writeTiles(options, inputs, tiles, images, record, runner, files, writeError);
    if (options.report) {
        ReportFigures figures = measuring.get();
        figures.inputRepetition = inputScore;
        report(options, seed, runner, stats, files, figures);
    }
    if (!writeError.empty()) {
        err_ << kPrefix << writeError << "\n";
        return kFailed;
    }
    return exitStatus(options, stats, files);
}

// All files of the run are made before the first takes its name: a failure leaves every
// target as it was, and a stop cannot leave some tiles new and others old.
void SynthCommand::writeTiles(const SynthOptions& options, const std::vector<LoadedInput>& inputs,
                              CompanionTiles& tiles, ImageCollection& images, const PasteRecord& record,
                              const SynthRunner& runner, TileFiles& files, std::string& error) {
    try {
        if (tiles.addTiles(options, inputs, images, record, runner.output(), files, error))
            files.commit(error);
    } catch (const std::bad_alloc&) {
        error = "not enough memory to make the tiles; nothing written";
    }
}
