#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <QStringList>

#include "apps/EditOptions.h"

// `patchloom edit`: opens the filter's window on a picture, as a host would, and writes the
// result as a PNG when the user applies. The picture is read from IMAGE, or is a transparent
// WxH one (--size) with IMAGE, if given, as the first input image. Everything that can go
// wrong before the window opens is checked first: no window shows for a bad request.
class EditCommand {
public:
    // Exit statuses.
    static constexpr int kApplied = 0;
    static constexpr int kNotApplied = 1;  // "Cancel", or the window was closed
    static constexpr int kFailed = 1;      // unreadable picture, unwritable output, no display
    static constexpr int kBadArguments = 2;

    // The window: edits width x height pixels in place, with `inputs` loaded as input images
    // once it shows; returns whether the user applied. Without one, the command is the
    // stand-in host of the filter module (MOS.8bf), which opens the window itself; so is it
    // when an option of the stand-in host is given.
    using Session = std::function<bool(uint32_t* pixels, int width, int height, const QStringList& inputs)>;

    EditCommand(std::ostream& out, std::ostream& err, Session session)
        : out_(out), err_(err), session_(std::move(session)) {}

    // The words after "edit"; returns the exit status.
    int run(const std::vector<std::string>& words);

    static std::string usage();

private:
    int execute(const EditOptions& options);
    int hosted(const EditOptions& options, const std::vector<uint32_t>& pixels, int width, int height);
    bool readPicture(const std::string& path, std::vector<uint32_t>& pixels, int& width, int& height);
    bool checkReadable(const std::string& path);
    bool checkOutput(const std::string& path);
    bool checkDisplay();
    int fail(const std::string& message);

    std::ostream& out_;
    std::ostream& err_;
    Session session_;  // empty: through the filter module
    std::vector<std::string> words_;
};
