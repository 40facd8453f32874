#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <QImage>
#include <QStringList>

#include "apps/EditOptions.h"

// `patchloom edit`: the stand-in host. It reads IMAGE and runs the filter module on it as an
// image editor would; the module opens the window, and the picture is written as a PNG when
// the user applies. `--size WxH` makes a transparent picture of that size instead; when IMAGE
// is given too it is the first input image, which a host cannot hand to the module, so that
// one case opens the window in this process. Everything that can go wrong before the window
// opens is checked first: no window shows for a bad request.
class EditCommand {
public:
    // Exit statuses.
    static constexpr int kApplied = 0;
    static constexpr int kNotApplied = 1;  // "Cancel", or the window was closed
    static constexpr int kFailed = 1;      // unreadable picture, unwritable output, no display
    static constexpr int kBadArguments = 2;

    // The window in this process: edits width x height pixels in place, with `inputs` loaded
    // as input images once it shows; returns whether the user applied.
    using Session = std::function<bool(uint32_t* pixels, int width, int height, const QStringList& inputs)>;
    // The run through the filter module: `picture` (8 or 16 bits per channel) as the host
    // image, `words` the command line after "edit"; returns the exit status.
    using Host = std::function<int(const QImage& picture, const EditOptions& options,
                                   const std::vector<std::string>& words)>;

    // An empty `session` sends every request through the module; an empty `host` is the real
    // stand-in host (HostedEdit).
    EditCommand(std::ostream& out, std::ostream& err, Session session, Host host = {});

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
    Host host_;
    std::vector<std::string> words_;
};
