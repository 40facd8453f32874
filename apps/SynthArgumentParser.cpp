#include "apps/SynthArgumentParser.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace {

bool isOptionWord(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

// A decimal number without sign, spaces or trailing characters; false when it does not fit a long.
bool parseDecimal(const std::string& text, long& out) {
    if (text.empty() || text.size() > 18)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    errno = 0;
    out = std::strtol(text.c_str(), nullptr, 10);
    return errno == 0;
}

// The file a path leads to, as far as it can be told without it existing: "./a.png", "a.png"
// and a link to it are the same file.
std::filesystem::path fileIdentity(const std::string& path) {
    std::error_code error;
    std::filesystem::path identity = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    if (error)
        identity = std::filesystem::path(path).lexically_normal();
    return identity;
}

std::vector<std::string> splitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
        parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

SynthArgumentParser::Result SynthArgumentParser::parse(const std::vector<std::string>& words) {
    SynthArgumentParser parser(words);
    parser.run();
    return parser.result_;
}

void SynthArgumentParser::run() {
    bool optionsEnded = false;
    while (next_ < words_.size()) {
        const std::string& word = words_[next_++];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && isOptionWord(word)) {
            if (!takeOption(word))
                return;
            if (result_.options.help)
                return;
        } else {
            result_.options.inputs.push_back(word);
        }
    }
    checkCombination();
}

bool SynthArgumentParser::takeOption(const std::string& word) {
    std::string name = word;
    hasInlineValue_ = false;
    const size_t equals = word.find('=');
    if (word.rfind("--", 0) == 0 && equals != std::string::npos) {
        name = word.substr(0, equals);
        inlineValue_ = word.substr(equals + 1);
        hasInlineValue_ = true;
    }
    SynthOptions& o = result_.options;
    bool* flag = nullptr;
    if (name == "--mix")
        flag = &o.mixChunks;
    else if (name == "--report")
        flag = &o.report;
    else if (name == "--no-partial")
        flag = &o.noPartial;
    else if (name == "--demo")
        flag = &o.demo;
    else if (name == "-h" || name == "--help")
        flag = &o.help;
    if (flag) {
        if (hasInlineValue_)
            return fail(name + " takes no value");
        *flag = true;
        return true;
    }
    std::string value;
    if (name == "--companion") {
        if (!takeValue(name, value))
            return false;
        companionValues_.push_back(value);
        return true;
    }
    if (name == "-o" || name == "--output" || name == "--size" || name == "--method" || name == "--jitter" ||
        name == "--covering" || name == "--chunks" || name == "--chunk-size" || name == "--prefilter" ||
        name == "--seed" || name == "--memory-limit")
        return takeOnce(name) && takeValue(name, value) && applyOption(name, value);
    return fail("unknown option '" + name + "' (see patchloom synth --help)");
}

// A second value would silently replace the first; which one the user meant is not for us to
// guess.
bool SynthArgumentParser::takeOnce(const std::string& name) {
    const std::string option = name == "-o" ? "--output" : name;
    if (!given_.insert(option).second)
        return fail(name + " is given more than once");
    return true;
}

bool SynthArgumentParser::takeValue(const std::string& name, std::string& value) {
    if (hasInlineValue_) {
        value = inlineValue_;
        return true;
    }
    if (next_ >= words_.size())
        return fail(name + " needs a value");
    value = words_[next_++];
    return true;
}

bool SynthArgumentParser::applyOption(const std::string& name, const std::string& value) {
    SynthOptions& o = result_.options;
    long n = 0;
    if (name == "-o" || name == "--output") {
        if (value.empty())
            return fail(name + " needs a file name");
        o.output = value;
        return true;
    }
    if (name == "--size")
        return parseSize(name, value);
    if (name == "--method")
        return parseMethod(name, value);
    if (name == "--memory-limit")
        return parseMemory(name, value);
    if (name == "--jitter") {
        if (!parseWhole(name, value, 0, kMaxJitter, n))
            return false;
        o.jittering = double(n) * 0.01;
    } else if (name == "--covering") {
        if (!parseWhole(name, value, 0, kMaxCovering, n))
            return false;
        o.coveringFactor = double(n) * 0.01;
    } else if (name == "--chunks") {
        if (!parseWhole(name, value, kMinChunks, kMaxChunks, n))
            return false;
        o.chunkCount = uint32_t(n);
    } else if (name == "--chunk-size") {
        if (!parseWhole(name, value, kMinChunkSize, kMaxChunkSize, n))
            return false;
        o.chunkSize = float(n) * 0.01f; // single precision, as the chunk dialog computes it
        chunkSizeGiven_ = true;
    } else if (name == "--prefilter") {
        if (!parseWhole(name, value, 0, kMaxFilterRadius, n))
            return false;
        o.filterRadius = int32_t(n);
    } else if (name == "--seed") {
        if (!parseWhole(name, value, 0, 4294967295L, n))
            return false;
        o.seed = uint32_t(n);
    }
    return true;
}

bool SynthArgumentParser::parseSize(const std::string& name, const std::string& value) {
    const size_t x = value.find_first_of("xX");
    const std::string w = value.substr(0, x);
    const std::string h = x == std::string::npos ? w : value.substr(x + 1);
    long width = 0, height = 0;
    if (!parseDecimal(w, width) || !parseDecimal(h, height))
        return fail(name + " must be WxH in pixels, e.g. 512x512 (got '" + value + "')");
    if (width < long(kMinSide) || height < long(kMinSide) || width > long(kMaxSide) || height > long(kMaxSide))
        return fail(name + " sides must be from " + std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) +
                    " pixels (got '" + value + "')");
    result_.options.width = uint32_t(width);
    result_.options.height = uint32_t(height);
    return true;
}

bool SynthArgumentParser::parseMethod(const std::string& name, const std::string& value) {
    if (value == "random")
        result_.options.method = PlacementMethod::Random;
    else if (value == "semi-regular")
        result_.options.method = PlacementMethod::SemiRegular;
    else if (value == "matched")
        result_.options.method = PlacementMethod::Matched;
    else
        return fail(name + " must be random, semi-regular or matched (got '" + value + "')");
    return true;
}

// Megabytes (MiB), or gigabytes with a G: "4096", "512M", "4G".
bool SynthArgumentParser::parseMemory(const std::string& name, const std::string& value) {
    long factor = 1;
    std::string digits = value;
    if (!digits.empty() && (digits.back() == 'G' || digits.back() == 'g'))
        factor = 1024;
    if (!digits.empty() && (factor == 1024 || digits.back() == 'M' || digits.back() == 'm'))
        digits.pop_back();
    long megabytes = 0;
    if (!parseDecimal(digits, megabytes) || megabytes > kMaxMemoryMegabytes / factor ||
        megabytes * factor < kMinMemoryMegabytes)
        return fail(name + " must be a size from " + std::to_string(kMinMemoryMegabytes) + "M to " +
                    std::to_string(kMaxMemoryMegabytes / 1024) + "G, e.g. 4096M or 4G (got '" + value + "')");
    result_.options.memoryLimit = uint64_t(megabytes * factor) << 20;
    return true;
}

bool SynthArgumentParser::parseWhole(const std::string& name, const std::string& value, long low, long high,
                                     long& out) {
    if (!parseDecimal(value, out) || out < low || out > high)
        return fail(name + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                    " (got '" + value + "')");
    return true;
}

void SynthArgumentParser::checkCombination() {
    const SynthOptions& o = result_.options;
    if (o.output.empty())
        fail("-o OUT is missing: name the PNG file to write");
    else if (o.demo && !o.inputs.empty())
        fail("--demo takes no INPUT files (got '" + o.inputs.front() + "')");
    else if (!o.demo && o.inputs.empty())
        fail("no INPUT image given (name image files, or use --demo)");
    else if (chunkSizeGiven_ && o.chunkCount == 0)
        fail("--chunk-size needs --chunks N");
    else {
        chooseMethod();
        // Without mixing only the whole last INPUT is pasted, so the chunks asked for would
        // be made and never used.
        if (o.chunkCount > 0)
            result_.options.mixChunks = true;
        checkCompanions();
    }
}

// Without --method, the amount given names the method it belongs to, so that a jitter or a
// covering factor is never silently ignored in favour of the default.
void SynthArgumentParser::chooseMethod() {
    const bool jitter = given_.count("--jitter") > 0, covering = given_.count("--covering") > 0;
    if (given_.count("--method"))
        return;
    if (jitter && covering)
        fail("--jitter and --covering belong to different methods: choose one with --method");
    else if (jitter)
        result_.options.method = PlacementMethod::Random;
    else if (covering)
        result_.options.method = PlacementMethod::SemiRegular;
}

// MAPOUT is whatever follows the last '=', so map names may hold '='. With several INPUTs the
// maps are separated by commas, one per INPUT in their order.
bool SynthArgumentParser::parseCompanion(const std::string& value, CompanionOption& companion) {
    const SynthOptions& o = result_.options;
    const size_t equals = value.rfind('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == value.size())
        return fail("--companion must be MAP=MAPOUT (got '" + value + "')");
    const std::string maps = value.substr(0, equals);
    companion.output = value.substr(equals + 1);
    companion.maps = o.inputs.size() == 1 ? std::vector<std::string>{maps} : splitAtCommas(maps);
    const bool oneEach = companion.maps.size() == o.inputs.size() &&
                         std::none_of(companion.maps.begin(), companion.maps.end(),
                                      [](const std::string& map) { return map.empty(); });
    if (!oneEach)
        return fail("--companion needs one MAP per INPUT, in INPUT order, separated by commas: " +
                    std::to_string(o.inputs.size()) + " INPUTs, got " + std::to_string(companion.maps.size()) +
                    " (in '" + value + "')");
    return true;
}

void SynthArgumentParser::checkCompanions() {
    SynthOptions& o = result_.options;
    if (companionValues_.empty())
        return;
    if (o.demo) {
        fail("--companion needs INPUT files: the --demo texture has no maps");
        return;
    }
    std::vector<std::filesystem::path> written{fileIdentity(o.output)};
    for (const std::string& value : companionValues_) {
        CompanionOption companion;
        if (!parseCompanion(value, companion))
            return;
        const std::filesystem::path identity = fileIdentity(companion.output);
        if (identity == written.front()) {
            fail("--companion '" + value + "' writes the same file as -o '" + o.output + "'");
            return;
        }
        if (std::find(written.begin() + 1, written.end(), identity) != written.end()) {
            fail("two --companion options write the same file '" + companion.output + "'");
            return;
        }
        written.push_back(identity);
        o.companions.push_back(std::move(companion));
    }
}

bool SynthArgumentParser::fail(const std::string& message) {
    if (result_.error.empty())
        result_.error = message;
    return false;
}
