// Header reading before any reader decodes: every input must come back with a verdict, and a
// verdict of no problem must announce a size within the pixel limit.
#include <cstdlib>

#include "fuzz/FuzzInput.h"
#include "session/ByteSource.h"
#include "session/ImageHeaderCheck.h"
#include "session/ImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size);
    const ByteSource bytes = ByteSource::fromMemory(input.bytes(), input.size());
    const HeaderVerdict verdict = ImageHeaderCheck::check(bytes, input.extension(), ImageLoader::kMaxPixels);
    // A size the check let through must be one the loader may decode; the product is taken in
    // 128 bits so that a huge pair cannot wrap round to a small one.
    const unsigned __int128 pixels = (unsigned __int128)verdict.width * verdict.height;
    if (verdict.problem == HeaderVerdict::Problem::None && pixels > (unsigned __int128)ImageLoader::kMaxPixels)
        std::abort();
    return 0;
}
