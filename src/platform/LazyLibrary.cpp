#include "platform/LazyLibrary.h"

#include <dlfcn.h>

namespace korvane {

// Opened once and kept for the life of the process; a library that cannot be
// opened is not tried again, and its reason stays.
void* TLazyLibrary::handle() {
    std::call_once(once_, [this] {
        handle_ = ::dlopen(name_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* why = ::dlerror();
            error_ = name_ + " cannot be loaded" + (why ? std::string(": ") + why : std::string());
        }
    });
    return handle_;
}

void* TLazyLibrary::Find(const char* name) {
    void* h = handle();
    return h ? ::dlsym(h, name) : nullptr;
}

std::string TLazyLibrary::Error() {
    handle();
    return error_;
}

}  // namespace korvane
