#include "Mp3Maker.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace {
// The few GStreamer entry points used, by their C signatures.
using InitCheck = int (*)(int*, char***, void**);
using ParseLaunch = void* (*)(const char*, void**);
using SetState = int (*)(void*, int);
using GetBus = void* (*)(void*);
using TimedPopFiltered = void* (*)(void*, std::uint64_t, int);
using Unref = void (*)(void*);

constexpr int kStateNull = 1;
constexpr int kStatePlaying = 4;
constexpr int kMessageEos = 1;
constexpr int kMessageError = 2;
constexpr std::uint64_t kWaitNs = 60ull * 1000 * 1000 * 1000;

template <class F> F Symbol(void* library, const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}
} // namespace

bool MakeToneMp3(const std::string& path, int seconds) {
    void* gst = dlopen("libgstreamer-1.0.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (gst == nullptr)
        return false;
    auto init = Symbol<InitCheck>(gst, "gst_init_check");
    auto parse = Symbol<ParseLaunch>(gst, "gst_parse_launch");
    auto setState = Symbol<SetState>(gst, "gst_element_set_state");
    auto getBus = Symbol<GetBus>(gst, "gst_element_get_bus");
    auto pop = Symbol<TimedPopFiltered>(gst, "gst_bus_timed_pop_filtered");
    auto unrefObject = Symbol<Unref>(gst, "gst_object_unref");
    auto unrefMessage = Symbol<Unref>(gst, "gst_mini_object_unref");
    if (!init || !parse || !setState || !getBus || !pop || !unrefObject || !unrefMessage ||
        !init(nullptr, nullptr, nullptr))
        return false;
    // 44100 Hz in buffers of 1024 samples.
    const int buffers = seconds * 44100 / 1024;
    const std::string description = "audiotestsrc num-buffers=" + std::to_string(buffers) +
                                    " ! audioconvert ! lamemp3enc ! filesink location=" + path;
    void* pipeline = parse(description.c_str(), nullptr);
    if (pipeline == nullptr)
        return false;
    setState(pipeline, kStatePlaying);
    void* bus = getBus(pipeline);
    void* message = pop(bus, kWaitNs, kMessageEos | kMessageError);
    if (message != nullptr)
        unrefMessage(message);
    unrefObject(bus);
    setState(pipeline, kStateNull);
    unrefObject(pipeline);
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
}
