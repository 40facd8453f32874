#include "apps/SynthReport.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string number(std::optional<double> value) {
    if (!value || !std::isfinite(*value))
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", *value);
    return text;
}

const char* boolean(bool value) { return value ? "true" : "false"; }

} // namespace

std::string SynthReport::json() const {
    std::ostringstream s;
    s << "{\"output\":" << quoted(output) << ",\"written\":" << boolean(written) << ",\"width\":" << width
      << ",\"height\":" << height << ",\"seed\":" << seed << ",\"steps\":" << run.steps << ",\"pastes\":{\"whole\":"
      << run.whole << ",\"cut\":" << run.cut << ",\"refused\":" << run.refused << ",\"nothing\":" << run.nothing
      << ",\"aborted\":" << run.aborted << "},\"complete\":" << boolean(run.complete)
      << ",\"interrupted\":" << boolean(run.interrupted) << ",\"stalled\":" << boolean(run.stalled)
      << ",\"elapsedSeconds\":" << number(run.elapsedSeconds) << ",\"storedSeams\":" << storedSeams
      << ",\"meanSeamCost\":" << number(quality.meanSeamCost) << ",\"seamContrast\":" << number(quality.seamContrast)
      << ",\"wrapContrast\":" << number(quality.wrapContrast) << ",\"repetition\":" << number(repetition)
      << ",\"inputRepetition\":" << number(inputRepetition) << ",\"files\":[";
    for (size_t i = 0; i < files.size(); ++i)
        s << (i ? "," : "") << "{\"path\":" << quoted(files[i].path) << ",\"bits\":" << files[i].bits << "}";
    s << "]}";
    return s.str();
}
