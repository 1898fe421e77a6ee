// A library the program loads at run time and whose calls it looks up by name, so
// that a library lacking a call is a failure the program can report rather than
// one that stops it before it starts.
#pragma once

#include <memory>
#include <string>

namespace platform {

class SharedLibrary {
public:
    // The program's own copy of the library called `name` ("Cryptel"):
    // Windows: <name>.dll in the folder of the running program, and nowhere else
    //   (not the working directory, not the search path); the DLLs it imports are
    //   looked for in that folder first.
    // POSIX: lib<name>.so, found through the program's run path (as a library it
    //   linked against would be; LD_LIBRARY_PATH still comes first).
    // Null when it cannot be loaded; `error` then holds the system's reason.
    static std::unique_ptr<SharedLibrary> OpenOwn(const std::string& name, std::string& error);

    // Exactly the file at `path`. Null and `error` set when it cannot be loaded.
    static std::unique_ptr<SharedLibrary> OpenFile(const std::string& path, std::string& error);

    // Unloads the library: nothing looked up in it may be used afterwards.
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The address of the exported `symbol`, or null when the library has none.
    void* Find(const char* symbol) const;

    // The file that was loaded, as the system names it (UTF-8).
    const std::string& Path() const { return path_; }

private:
    SharedLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::string path_;
};

}  // namespace platform
