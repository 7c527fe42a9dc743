// TGpibDouble: a test's hold on one variant of the GPIB driver double: its scripted answers
// and the calls it recorded.
#pragma once

#include <dlfcn.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace NuvixTest {

// Loads the variant (the driver that opens the same path shares its state) and resets it.
// Keeping it loaded keeps the recorded calls readable after the driver let it go.
class TGpibDouble {
public:
    explicit TGpibDouble(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) throw std::runtime_error(std::string("cannot load the GPIB double: ") + dlerror());
        reset_ = Resolve<void (*)()>("GpibDoubleReset");
        script_ = Resolve<void (*)(int, int, int, long, const char*, long)>("GpibDoubleScript");
        count_ = Resolve<int (*)()>("GpibDoubleCallCount");
        call_ = Resolve<const char* (*)(int)>("GpibDoubleCall");
        thread_ = Resolve<std::size_t (*)(int)>("GpibDoubleCallThread");
        reset_();
    }
    ~TGpibDouble() { dlclose(handle_); }
    TGpibDouble(const TGpibDouble&) = delete;
    TGpibDouble& operator=(const TGpibDouble&) = delete;

    // The answer to the next unanswered call (see gpib_double.h).
    void Script(int result, int sta, int err = 0, long cntl = 0, const std::string& bytes = {}) {
        script_(result, sta, err, cntl, bytes.data(), static_cast<long>(bytes.size()));
    }
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        for (int i = 0; i < count_(); ++i) calls.emplace_back(call_(i));
        return calls;
    }
    std::size_t CallThread(int i) const { return thread_(i); }
    void Reset() { reset_(); }

private:
    template <class Fn> Fn Resolve(const char* name) {
        void* symbol = dlsym(handle_, name);
        if (!symbol) throw std::runtime_error(std::string("the GPIB double lacks ") + name);
        return reinterpret_cast<Fn>(symbol);
    }

    void* handle_;
    void (*reset_)();
    void (*script_)(int, int, int, long, const char*, long);
    int (*count_)();
    const char* (*call_)(int);
    std::size_t (*thread_)(int);
};

} // namespace NuvixTest
