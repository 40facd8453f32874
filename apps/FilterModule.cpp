#include "apps/FilterModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

bool FilterModule::load(const std::string& path, std::string& error) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        error = "cannot load the filter module '" + path + "'" + (reason ? std::string(": ") + reason : "");
        return false;
    }
    entry_ = reinterpret_cast<EntryPointProc>(dlsym(module, "ENTRYPOINT"));
    if (!entry_) {
        error = "'" + path + "' is not a filter module: it has no ENTRYPOINT";
        return false;
    }
    return true;
}

std::string FilterModule::besideProgram() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "MOS.8bf";
    std::string program(path, size_t(length));
    return program.substr(0, program.rfind('/') + 1) + "MOS.8bf";
}
