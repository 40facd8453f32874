#include "apps/HostStateFile.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <QFile>
#include <QSaveFile>

namespace {

constexpr const char* kHeader = "patchloom-host-state 1";
constexpr size_t kMaxParameterBytes = 1 << 20;

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

// The value of one hex digit, or -1.
int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Two digits per byte and nothing else: a sign or a space is a damaged file, not a byte.
bool unhex(const std::string& text, std::string& bytes) {
    bytes.clear();
    if (text == "-")
        return true;
    if (text.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = digitValue(text[i]), low = digitValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes += char(high << 4 | low);
    }
    return true;
}

// strtod reports a subnormal result as out of range, but format writes such numbers (a seed
// can be any double) and they read back exactly; only an overflow or a loss to zero is refused.
bool parseNumber(const std::string& text, double& number) {
    char* end = nullptr;
    errno = 0;
    number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != 0)
        return false;
    return errno == 0 || (errno == ERANGE && number != 0 && std::fabs(number) < DBL_MIN);
}

std::string keyText(uint32_t key) {
    return {char(key >> 24), char(key >> 16), char(key >> 8), char(key)};
}

bool keyOf(const std::string& text, uint32_t& key) {
    if (text.size() != 4)
        return false;
    key = uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 | uint32_t(uint8_t(text[2])) << 8 |
          uint8_t(text[3]);
    return true;
}

bool parseItem(std::istringstream& words, StandInHost::DescriptorItem& item) {
    std::string key, type, value, rest;
    if (!(words >> key >> type >> value) || (words >> rest) || !keyOf(key, item.key) || !keyOf(type, item.type))
        return false;
    char* end = nullptr;
    errno = 0;
    if (item.type == kTypeInteger) {
        const long long v = std::strtoll(value.c_str(), &end, 10);
        item.integer = int32_t(v);
        return *end == 0 && errno == 0 && v >= INT32_MIN && v <= INT32_MAX;
    }
    if (item.type == kTypeFloat)
        return parseNumber(value, item.number);
    return item.type == kTypeText && unhex(value, item.text);
}

} // namespace

std::string HostStateFile::format(const StandInHost::Kept& kept) {
    std::ostringstream out;
    out << kHeader << "\n";
    if (!kept.parameters.empty()) {
        size_t used = kept.parameters.size();
        while (used > 0 && kept.parameters[used - 1] == 0)
            --used;
        out << "parameters " << kept.parameters.size() << " "
            << hex(std::string(kept.parameters.begin(), kept.parameters.begin() + long(used))) << "\n";
    }
    if (!kept.hasDescriptor)
        out << "descriptor none\n";
    for (const StandInHost::DescriptorItem& item : kept.descriptor) {
        out << "item " << keyText(item.key) << " " << keyText(item.type) << " ";
        if (item.type == kTypeInteger)
            out << item.integer;
        else if (item.type == kTypeFloat) {
            char number[40];
            std::snprintf(number, sizeof number, "%.17g", item.number);
            out << number;
        } else
            out << hex(item.text);
        out << "\n";
    }
    return out.str();
}

bool HostStateFile::parse(const std::string& text, StandInHost::Kept& kept, std::string& error) {
    kept = StandInHost::Kept();
    kept.hasDescriptor = true;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool descriptorNone = false;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (number == 1) {
            if (line != kHeader)
                return fail("not a patchloom host state file");
            continue;
        }
        std::istringstream words(line);
        std::string word;
        if (!(words >> word))
            continue;
        if (word == "parameters") {
            size_t size = 0;
            std::string bytesText, bytes, rest;
            if (!(words >> size >> bytesText) || (words >> rest) || size == 0 || size > kMaxParameterBytes ||
                !unhex(bytesText, bytes) || bytes.size() > size)
                return fail("expected 'parameters SIZE HEX' with at most SIZE bytes");
            kept.parameters.assign(size, 0);
            std::memcpy(kept.parameters.data(), bytes.data(), bytes.size());
        } else if (word == "descriptor") {
            std::string value;
            if (!(words >> value) || value != "none")
                return fail("expected 'descriptor none'");
            descriptorNone = true;
        } else if (word == "item") {
            StandInHost::DescriptorItem item;
            if (!parseItem(words, item))
                return fail("expected 'item KEY long|doub|TEXT VALUE'");
            kept.descriptor.push_back(item);
        } else {
            return fail("unknown entry '" + word + "'");
        }
    }
    if (number == 0)
        return fail("empty file");
    if (descriptorNone && !kept.descriptor.empty())
        return fail("'descriptor none' together with items");
    kept.hasDescriptor = !descriptorNone;
    return true;
}

bool HostStateFile::load(const std::string& path, StandInHost::Kept& kept, std::string& error) {
    kept = StandInHost::Kept();
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly) || file.size() > 8 * 1024 * 1024) {
        error = "cannot read state file '" + path + "'";
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (!parse(bytes.toStdString(), kept, error)) {
        error = "state file '" + path + "' " + error;
        return false;
    }
    return true;
}

bool HostStateFile::save(const std::string& path, const StandInHost::Kept& kept, std::string& error) {
    QSaveFile file(QFile::decodeName(path.c_str()));
    const std::string text = format(kept);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size()) ||
        !file.commit()) {
        error = "cannot write state file '" + path + "': " + file.errorString().toStdString();
        return false;
    }
    return true;
}
