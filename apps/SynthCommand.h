#pragma once

#include <optional>
#include <cstdint>
#include <future>
#include <ostream>
#include <string>
#include <vector>

#include "apps/QualityFigures.h"
#include "chunks/RunStatistics.h"
#include "apps/SynthOptions.h"
#include "chunks/ImageCollection.h"

class CompanionTiles;
class PasteRecord;
class SynthRunner;
class TileFiles;
struct LoadedInput;

// `patchloom synth`: loads the inputs (or makes the demo texture), adds random chunks and the
// pre-filter when asked, runs the automatic process to a full tile and writes it as a PNG.
// Messages go to `err`, the report to `out`; nothing is printed on success without --report.
class SynthCommand {
public:
    // Exit statuses.
    static constexpr int kDone = 0;
    static constexpr int kFailed = 1;      // unreadable input, unwritable output, stuck run
    static constexpr int kBadArguments = 2;
    static constexpr int kInterrupted = 130; // as a shell reports a Ctrl+C

    // `showProgress`: draw the progress line on `err` (only sensible on a terminal).
    SynthCommand(std::ostream& out, std::ostream& err, bool showProgress)
        : out_(out), err_(err), showProgress_(showProgress) {}

    // The words after "synth"; returns the exit status.
    int run(const std::vector<std::string>& words);

    static std::string usage();

private:
    int execute(const SynthOptions& options);
    static void addDemo(const SynthOptions& options, ImageCollection& images);
    bool loadInputs(const SynthOptions& options, ImageCollection& images, std::vector<LoadedInput>& inputs,
                    CompanionTiles& tiles);
    static void prepareChunks(const SynthOptions& options, ImageCollection& images, uint32_t seed);
    RunStatistics synthesize(SynthRunner& runner);
    static bool shouldWrite(const SynthOptions& options, const RunStatistics& stats);
    static void writeTiles(const SynthOptions& options, const std::vector<LoadedInput>& inputs, CompanionTiles& tiles,
                           ImageCollection& images, const PasteRecord& record, const SynthRunner& runner,
                           TileFiles& files, std::string& error);
    // The report's measurements of the tile and its inputs.
    struct ReportFigures {
        QualityFigures quality;
        std::optional<double> tileRepetition;
        std::optional<double> inputRepetition;
    };
    void report(const SynthOptions& options, uint32_t seed, const SynthRunner& runner, const RunStatistics& stats,
                const TileFiles& files, const ReportFigures& figures);
    static std::future<ReportFigures> measureAside(const SynthRunner& runner, std::optional<PixelOrigins> origins);
    static std::optional<double> inputRepetition(const ImageCollection& images);
    int exitStatus(const SynthOptions& options, const RunStatistics& stats, const TileFiles& files);
    static std::string endText(const RunStatistics& stats);
    static std::string megabytes(uint64_t bytes);
    static uint32_t chooseSeed(const SynthOptions& options);

    std::ostream& out_;
    std::ostream& err_;
    bool showProgress_;
};
