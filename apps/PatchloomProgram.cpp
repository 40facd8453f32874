#include "apps/PatchloomProgram.h"

#include <exception>
#include <new>

#include "apps/EditCommand.h"
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
  edit      open the Patchloom window on a picture and write the result on Apply
  synth     build a tile of a chosen size automatically and write it as a PNG

Run 'patchloom COMMAND --help' for the options of a command.
)";
}

int PatchloomProgram::run(const std::vector<std::string>& words) {
    try {
        return dispatch(words);
    } catch (const std::bad_alloc&) {
        err_ << "patchloom: out of memory\n";
    } catch (const std::exception& e) {
        err_ << "patchloom: " << e.what() << "\n";
    } catch (...) {
        err_ << "patchloom: unexpected failure\n";
    }
    return SynthCommand::kFailed;
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
    err_ << "patchloom: unknown command '" << command << "' (see patchloom --help)\n";
    return SynthCommand::kBadArguments;
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
    err_ << "patchloom: unknown command '" << words.front() << "' (see patchloom --help)\n";
    return SynthCommand::kBadArguments;
}
