#include "platform/SharedLibrary.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstddef>
#include <vector>

namespace platform {

namespace {

std::string LastDlError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

// The folders the loader would search for a library the program itself needs, in
// its order: LD_LIBRARY_PATH, the program's run path ($ORIGIN expanded), the system's.
// Asked of the program, not left to dlopen's idea of its caller: a sanitizer's
// interceptor stands between the program and dlopen and is a caller without a run path.
std::vector<std::string> ProgramSearchPath() {
    std::vector<std::string> folders;
    void* program = dlopen(nullptr, RTLD_NOW);
    if (program == nullptr) return folders;
    Dl_serinfo size{};
    if (dlinfo(program, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
        std::vector<std::max_align_t> storage(size.dls_size / sizeof(std::max_align_t) + 1);
        auto* info = reinterpret_cast<Dl_serinfo*>(storage.data());
        info->dls_size = size.dls_size;
        info->dls_cnt = size.dls_cnt;
        if (dlinfo(program, RTLD_DI_SERINFO, info) == 0)
            for (unsigned i = 0; i < info->dls_cnt; ++i)
                if (info->dls_serpath[i].dls_name && *info->dls_serpath[i].dls_name)
                    folders.emplace_back(info->dls_serpath[i].dls_name);
    }
    dlclose(program);
    return folders;
}

}  // namespace

// RTLD_NOW: a library that lacks a symbol its own code needs fails here, with a
// reason, not at its first call. RTLD_LOCAL: its names stay out of everyone's way.
std::unique_ptr<SharedLibrary> SharedLibrary::OpenOwn(const std::string& name, std::string& error) {
    const std::string file = "lib" + name + ".so";
    for (const std::string& folder : ProgramSearchPath()) {
        const std::string path = folder + "/" + file;
        if (::access(path.c_str(), F_OK) == 0) return OpenFile(path, error);
    }
    // Not in any folder the program names: the loader's own search (its cache).
    return OpenFile(file, error);
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
