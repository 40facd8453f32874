#include "apps/EditArgumentParser.h"

#include "apps/HostImage.h"

#include <cerrno>
#include <cstdlib>

namespace {

// A decimal number without sign, spaces or trailing characters; false when it does not fit.
bool parseDecimal(const std::string& text, long& out) {
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    errno = 0;
    out = std::strtol(text.c_str(), nullptr, 10);
    return errno == 0;
}

bool isOptionWord(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

// Host variants: options without a value.
bool setHostFlag(const std::string& word, EditOptions& o) {
    if (word == "--no-advance-state")
        o.variant.advanceState = false;
    else if (word == "--no-colour-services")
        o.variant.colourServices = false;
    else if (word == "--no-descriptors")
        o.variant.descriptors = false;
    else if (word == "--no-handle-suite")
        o.variant.handleSuite = false;
    else if (word == "--identify-as-premiere")
        o.premiere = true;
    else if (word == "--no-window")
        o.window = false;
    else
        return false;
    return true;
}

bool takesValue(const std::string& name) {
    return name == "-o" || name == "--output" || name == "--size" || name == "--mode" || name == "--state" ||
           name == "--module";
}

}  // namespace

bool EditArgumentParser::parseSize(const std::string& value, EditOptions& options, std::string& error) {
    const size_t x = value.find_first_of("xX");
    long width = 0, height = 0;
    if (x == std::string::npos || !parseDecimal(value.substr(0, x), width) ||
        !parseDecimal(value.substr(x + 1), height)) {
        error = "--size must be WxH in pixels, e.g. 512x512 (got '" + value + "')";
        return false;
    }
    if (width < long(kMinSide) || height < long(kMinSide) || width > long(kMaxSide) || height > long(kMaxSide)) {
        error = "--size sides must be from " + std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) +
                " pixels (got '" + value + "')";
        return false;
    }
    options.sizeGiven = true;
    options.width = uint32_t(width);
    options.height = uint32_t(height);
    return true;
}

EditArgumentParser::Result EditArgumentParser::parse(const std::vector<std::string>& words) {
    Result result;
    EditOptions& o = result.options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || !isOptionWord(word)) {
            positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "-h" || word == "--help") {
            o.help = true;
            return result;
        }
        if (setHostFlag(word, o))
            continue;
        std::string name = word, value;
        bool hasValue = false;
        if (const size_t equals = word.find('='); word.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = word.substr(0, equals);
            value = word.substr(equals + 1);
            hasValue = true;
        }
        if (!takesValue(name)) {
            result.error = "unknown option '" + word + "' (see patchloom edit --help)";
            return result;
        }
        if (!hasValue) {
            if (i + 1 >= words.size()) {
                result.error = name + " needs a value";
                return result;
            }
            value = words[++i];
        }
        if (name == "--size") {
            if (!parseSize(value, o, result.error))
                return result;
        } else if (name == "--mode") {
            if (!HostImage::modeNamed(value)) {
                result.error = "unknown --mode '" + value + "' (" + HostImage::modeNames() + ")";
                return result;
            }
            o.mode = value;
        } else if (value.empty()) {
            result.error = name + " needs a file name";
            return result;
        } else if (name == "--state") {
            o.stateFile = value;
        } else if (name == "--module") {
            o.module = value;
        } else {
            o.output = value;
        }
    }
    if (positional.size() > 1)
        result.error = "one IMAGE at most (got '" + positional[1] + "' too)";
    else if (!positional.empty() && positional.front().empty())
        // An unset shell variable, most likely: with --size it would go unnoticed.
        result.error = "IMAGE is an empty word: name the picture to edit";
    else if (positional.empty() && !o.sizeGiven)
        result.error = "IMAGE is missing: name the picture to edit, or give --size WxH for a new one";
    else if (o.output.empty())
        result.error = "-o OUT is missing: name the PNG file to write on Apply";
    else if (!positional.empty())
        o.image = positional.front();
    return result;
}
