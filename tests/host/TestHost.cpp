#include "TestHost.h"

#include <cstring>
#include <map>
#include <memory>

#include <dlfcn.h>

#include "host/PlatformHandles.h"
#include "host/TransferMode.h"

TestHost* TestHost::current = nullptr;

struct ReadDescriptorState {
    std::vector<TestHost::Item> items;
    size_t next = 0;
    bool missing = false;
};

struct WriteDescriptorState {
    std::vector<TestHost::Item> items;
};

namespace {

// The items of each descriptor handle the host made; the handle itself holds nothing.
std::map<Handle, std::vector<TestHost::Item>> descriptors;

Handle encode(const std::vector<TestHost::Item>& items) {
    Handle handle = PlatformHandles::create(1);
    descriptors[handle] = items;
    return handle;
}

std::vector<TestHost::Item> decode(Handle handle) {
    const auto kept = descriptors.find(handle);
    if (!PlatformHandles::isValid(handle) || kept == descriptors.end())
        return {};
    return kept->second;
}

TestHost& host() {
    return *TestHost::current;
}

// The suite hands out the module's own kind of handles; creating one is what the tests count.
Handle suiteNew(int32_t size) {
    ++host().handleSuiteCalls;
    return PlatformHandles::create(size);
}
char* suiteLock(Handle h, bool) {
    int16_t error = 0;
    return PlatformHandles::lock(h, error);
}
void suiteUnlock(Handle) {}
void suiteRecover(int32_t) {}

bool abortProc() {
    return host().abortCalls++ == host().options.cancelAtAbortCall;
}

int16_t advanceState() {
    TestHost& h = host();
    if (h.advanceCalls++ == h.options.failAtAdvanceCall)
        return -1;
    h.record.inData = nullptr;
    h.record.outData = nullptr;
    if (h.record.inRect.bottom > h.record.inRect.top) {
        h.readStrips.push_back(h.record.inRect);
        h.record.inData = h.at(h.record.inRect);
        h.record.inRowBytes = h.rowBytes;
    }
    if (h.record.outRect.bottom > h.record.outRect.top) {
        h.writtenStrips.push_back(h.record.outRect);
        h.record.outData = h.at(h.record.outRect);
        h.record.outRowBytes = h.rowBytes;
    }
    if (h.options.afterAdvance)
        h.options.afterAdvance(h.record);
    return 0;
}

int16_t displayPixels(const void*, const HostRect*, int32_t, int32_t, void*) {
    return 0;
}

int16_t colourServices(ColorServicesInfo* info) {
    if (info->infoSize != sizeof(ColorServicesInfo) || info->selector != kColorServicesConvertColor)
        return kResultBadParameters;
    int16_t* c = info->colorComponents;
    if (info->sourceSpace == kSpaceGray)
        c[1] = c[2] = c[0];
    const int16_t key = TestHost::colourKey(info->sourceSpace) ^ TestHost::colourKey(info->resultSpace);
    for (int i = 0; i < 4; ++i)
        c[i] = int16_t((c[i] ^ key) & 0xFF);
    return 0;
}

ReadDescriptorToken openRead(Handle descriptor, DescriptorKey* keys) {
    auto state = std::make_unique<ReadDescriptorState>();
    state->items = decode(descriptor);
    for (DescriptorKey* k = keys; *k; ++k) {
        bool found = false;
        for (const auto& item : state->items)
            found = found || item.key == *k;
        state->missing = state->missing || !found;
    }
    return state.release();
}
int16_t closeRead(ReadDescriptorToken token) {
    const bool missing = token->missing;
    delete token;
    return missing ? kResultMissingParameter : host().options.closeReadError;
}
bool getKey(ReadDescriptorToken token, DescriptorKey* key, DescriptorType* type, int32_t* flags) {
    if (token->next >= token->items.size())
        return false;
    const auto& item = token->items[token->next++];
    *key = item.key;
    *type = item.type;
    *flags = 0;
    return true;
}
const TestHost::Item& currentItem(ReadDescriptorToken token) {
    return token->items[token->next - 1];
}
int16_t getInteger(ReadDescriptorToken token, int32_t* value) {
    *value = currentItem(token).integer;
    return 0;
}
int16_t getFloat(ReadDescriptorToken token, double* value) {
    *value = currentItem(token).number;
    return 0;
}
int16_t getText(ReadDescriptorToken token, Handle* text) {
    const std::string& s = currentItem(token).text;
    *text = PlatformHandles::create(int32_t(s.size()));
    std::memcpy(**text, s.data(), s.size());
    return 0;
}

WriteDescriptorToken openWrite() {
    return new WriteDescriptorState;
}
int16_t closeWrite(WriteDescriptorToken token, Handle* descriptor) {
    *descriptor = encode(token->items);
    delete token;
    return 0;
}
int16_t putInteger(WriteDescriptorToken token, DescriptorKey key, int32_t value) {
    token->items.push_back({key, kTypeInteger, value, 0, {}});
    return 0;
}
int16_t putFloat(WriteDescriptorToken token, DescriptorKey key, const double* value) {
    token->items.push_back({key, kTypeFloat, 0, *value, {}});
    return 0;
}
int16_t putText(WriteDescriptorToken token, DescriptorKey key, Handle text) {
    token->items.push_back({key, kTypeText, 0, 0, std::string(*text, size_t(PlatformHandles::size(text)))});
    return 0;
}

} // namespace

int16_t TestHost::colourKey(int16_t space) {
    return space == kSpaceRGB || space == kSpaceGray ? 0 : int16_t(0x11 * (space + 1));
}

TestHost::TestHost(int w, int h, int16_t mode, int16_t depth, int16_t planes, Options o)
    : options(o), width(w), height(h), bytesPerSample(depth == 16 ? 2 : 1),
      rowBytes(std::max(w, 0) * std::max<int>(planes, 1) * bytesPerSample) {
    current = this;
    image.assign(size_t(rowBytes) * size_t(std::max(h, 0)), 0);
    record.imageMode = mode;
    record.depth = depth;
    record.planes = planes;
    record.filterRect = {0, 0, h, w};
    record.maxSpace = 1 << 20;
    handleProcs = {kHandleProcsVersion, kHandleProcsCount, suiteNew, PlatformHandles::dispose,
                   PlatformHandles::size, PlatformHandles::resize, suiteLock, suiteUnlock, suiteRecover};
    readProcs = {kReadDescriptorProcsVersion, kReadDescriptorProcsCount, openRead, closeRead, getKey, getInteger,
                 getFloat, getText};
    writeProcs = {kWriteDescriptorProcsVersion, kWriteDescriptorProcsCount, openWrite, closeWrite, putInteger,
                  putFloat, putText};
    descriptorParameters.readDescriptorProcs = &readProcs;
    descriptorParameters.writeDescriptorProcs = &writeProcs;
    descriptorParameters.playInfo = 1;
    descriptorParameters.recordInfo = 2;
    record.advanceState = options.advanceState ? advanceState : nullptr;
    record.displayPixels = options.displayPixels ? displayPixels : nullptr;
    record.abortProc = options.abortProc ? abortProc : nullptr;
    record.colorServices = options.colourServices ? colourServices : nullptr;
    record.handleProcs = options.handleSuite ? &handleProcs : nullptr;
    record.descriptorParameters = options.descriptors ? &descriptorParameters : nullptr;
    record.platformData = &platform;
}

TestHost::~TestHost() {
    // A host keeps the plug-in's data between calls and frees it when it unloads the plug-in.
    PlatformHandles::dispose(reinterpret_cast<Handle>(data));
    PlatformHandles::dispose(descriptorParameters.descriptor);
    PlatformHandles::dispose(record.parameters);
    if (current == this)
        current = nullptr;
}

int16_t TestHost::call(EntryPointProc entry, int16_t selector) {
    current = this;
    int16_t result = 12345;
    void* block = &record;
    entry(selector, block, &data, &result);
    return result;
}

uint8_t* TestHost::at(const HostRect& rect) {
    return image.data() + size_t(int64_t(rect.top) - originTop) * rowBytes +
           size_t(rect.left) * record.planes * bytesPerSample;
}

int16_t TestHost::run(EntryPointProc entry) {
    for (int16_t selector : {kSelectorParameters, kSelectorPrepare, kSelectorStart}) {
        if (const int16_t result = call(entry, selector))
            return result;
    }
    // Continue calls hand over whatever rectangle the plug-in asked for.
    for (int guard = 0; guard < 100000; ++guard) {
        HostRect& out = record.outRect;
        if (out.bottom <= out.top && record.inRect.bottom <= record.inRect.top)
            break;
        record.outData = nullptr;
        if (out.bottom > out.top) {
            writtenStrips.push_back(out);
            record.outData = at(out);
            record.outRowBytes = rowBytes;
        }
        if (const int16_t result = call(entry, kSelectorContinue))
            return result;
    }
    return call(entry, kSelectorFinish);
}

uint16_t TestHost::sample(int x, int y, int channel) const {
    const size_t at = size_t(y) * rowBytes + (size_t(x) * record.planes + channel) * bytesPerSample;
    if (bytesPerSample == 1)
        return image[at];
    uint16_t v;
    std::memcpy(&v, &image[at], 2);
    return v;
}

void TestHost::setSample(int x, int y, int channel, uint16_t value) {
    const size_t at = size_t(y) * rowBytes + (size_t(x) * record.planes + channel) * bytesPerSample;
    if (bytesPerSample == 1)
        image[at] = uint8_t(value);
    else
        std::memcpy(&image[at], &value, 2);
}

void TestHost::fill() {
    const bool cmyk = TransferMode::colourClassOf(record.imageMode) == kSpaceCMYK;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < record.planes; ++c) {
                const int pattern = (x * 29 + y * 13 + c * 67 + 3) % 256;
                const uint16_t v = uint16_t(cmyk && c == 3 ? colourKey(kSpaceCMYK) : pattern);
                setSample(x, y, c, bytesPerSample == 1 || v == 0 ? v : uint16_t((v + 1) * 128));
            }
}

std::vector<TestHost::Item> TestHost::descriptor() const {
    return decode(descriptorParameters.descriptor);
}

void TestHost::setDescriptor(const std::vector<Item>& items) {
    dropDescriptor();
    descriptorParameters.descriptor = encode(items);
}

void TestHost::dropDescriptor() {
    PlatformHandles::dispose(descriptorParameters.descriptor);
    descriptorParameters.descriptor = nullptr;
}

EntryPointProc loadModule() {
    static void* module = dlopen(PATCHLOOM_MODULE, RTLD_NOW | RTLD_LOCAL);
    return module ? reinterpret_cast<EntryPointProc>(dlsym(module, "ENTRYPOINT")) : nullptr;
}
