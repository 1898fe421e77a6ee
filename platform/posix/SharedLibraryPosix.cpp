#include "platform/SharedLibrary.h"

#include <dlfcn.h>
#include <link.h>

namespace platform {

namespace {

std::string LastDlError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

}  // namespace

// RTLD_NOW: a library that lacks a symbol its own code needs fails here, with a
// reason, not at its first call. RTLD_LOCAL: its names stay out of everyone's way.
std::unique_ptr<SharedLibrary> SharedLibrary::OpenOwn(const std::string& name, std::string& error) {
    // A bare file name makes dlopen search as the loader does, the run path of
    // the calling program included.
    return OpenFile("lib" + name + ".so", error);
}

std::unique_ptr<SharedLibrary> SharedLibrary::OpenFile(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = LastDlError();
        return nullptr;
    }
    std::string loaded = path;
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr && *map->l_name)
        loaded = map->l_name;
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle, loaded));
}

SharedLibrary::~SharedLibrary() { dlclose(handle_); }

void* SharedLibrary::Find(const char* symbol) const { return dlsym(handle_, symbol); }

}  // namespace platform
