#pragma once

#include <mutex>
#include <string>
#include <utility>

namespace korvane {

// A shared library opened the first time one of its functions is wanted,
// not when the program starts: loading and linking a library and the
// libraries it brings costs every start of korvane-cli a few milliseconds,
// and most commands never call it. Safe to use from any thread.
class TLazyLibrary {
public:
    // `name` as the system loads it ("libsndfile.so.1"), or a path.
    explicit TLazyLibrary(std::string name) : name_(std::move(name)) {}

    // The address of the function `name`; null when the library or the name
    // is missing.
    void* Find(const char* name);
    // Why the library cannot be used ("... cannot be loaded: ..."); empty
    // when it can.
    std::string Error();

private:
    void* handle();

    const std::string name_;
    std::once_flag once_;
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace korvane

// The library's own function `name`, found once: a static of the calling
// function, of the function's own type, null when missing.
#define KORVANE_LAZY_FUNCTION(library, name) \
    static auto* const real_##name = reinterpret_cast<decltype(&::name)>((library).Find(#name))
