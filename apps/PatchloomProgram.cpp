#include "apps/PatchloomProgram.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>

#include "apps/EditCommand.h"
#include "apps/HostedEdit.h"
#include "apps/SynthCommand.h"
#include "ui/SessionRunner.h"

namespace {

bool openWindow(uint32_t* pixels, int width, int height, const QStringList& inputs) {
    return SessionRunner::run(pixels, width, height, nullptr, inputs);
}

}  // namespace

std::string PatchloomProgram::usage() {
    return R"(Usage: patchloom COMMAND [OPTIONS]

Seamless textures from chunks of input images.

Commands:
  edit      run the filter module on a picture as an image editor would, and write
            the result on Apply
  synth     build a tile of a chosen size automatically and write it as a PNG
  about     show the filter module's about box

Run 'patchloom COMMAND --help' for the options of a command.
)";
}

int PatchloomProgram::run(const std::vector<std::string>& words) {
    int status = SynthCommand::kFailed;
    try {
        status = dispatch(words);
    } catch (const std::bad_alloc&) {
        err_ << "patchloom: out of memory\n";
    } catch (const std::exception& e) {
        err_ << "patchloom: " << e.what() << "\n";
    } catch (...) {
        err_ << "patchloom: unexpected failure\n";
    }
    return checkOutput(status);
}

// A report or help text that did not reach stdout (a full disk, a closed descriptor) is a
// failure, even when everything else went well.
int PatchloomProgram::checkOutput(int status) {
    errno = 0;
    out_.flush();
    if (out_)
        return status;
    const int error = errno;
    err_ << "patchloom: cannot write to standard output" << (error != 0 ? std::string(": ") + std::strerror(error) : "")
         << "\n";
    return status == SynthCommand::kDone ? SynthCommand::kFailed : status;
}

int PatchloomProgram::dispatch(const std::vector<std::string>& words) {
    if (words.empty()) {
        err_ << usage();
        return SynthCommand::kBadArguments;
    }
    const std::string& command = words.front();
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (command == "-h" || command == "--help" || command == "help")
        return help(rest);
    if (command == "synth")
        return SynthCommand(out_, err_, errIsTerminal_).run(rest);
    if (command == "edit")
        return EditCommand(out_, err_, openWindow).run(rest);
    if (command == "about")
        return about(rest);
    err_ << "patchloom: unknown command '" << command << "' (see patchloom --help)\n";
    return SynthCommand::kBadArguments;
}

std::string PatchloomProgram::aboutUsage() {
    return "usage: patchloom about [--module MOS.8bf]: the filter module's about box, over a window\n"
           "standing for the image editor's\n";
}

// `patchloom about [--module PATH]`: the module's about selector, as a host's menu calls it.
int PatchloomProgram::about(const std::vector<std::string>& words) {
    std::string module;
    if (words.size() == 1 && (words[0] == "-h" || words[0] == "--help")) {
        out_ << aboutUsage();
        return SynthCommand::kDone;
    }
    if (words.size() == 2 && words[0] == "--module")
        module = words[1];
    else if (!words.empty()) {
        err_ << "patchloom about: " << aboutUsage();
        return SynthCommand::kBadArguments;
    }
    return HostedEdit(out_, err_).about(module);
}

// "help" alone, or "help COMMAND".
int PatchloomProgram::help(const std::vector<std::string>& words) {
    if (words.empty()) {
        out_ << usage();
        return SynthCommand::kDone;
    }
    if (words.front() == "synth") {
        out_ << SynthCommand::usage();
        return SynthCommand::kDone;
    }
    if (words.front() == "edit") {
        out_ << EditCommand::usage();
        return SynthCommand::kDone;
    }
    if (words.front() == "about") {
        out_ << aboutUsage();
        return SynthCommand::kDone;
    }
    err_ << "patchloom: unknown command '" << words.front() << "' (see patchloom --help)\n";
    return SynthCommand::kBadArguments;
}
