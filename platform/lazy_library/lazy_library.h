// A C library opened by name when it is first called instead of being linked, for libraries
// with large trees of their own that few sessions need (libmpv, FluidSynth). The user keeps a
// table of the library's calls (`Calls`, one function pointer per call), fills it in once
// through open(), and defines the library's functions itself, each handing its arguments on
// through forward(); the program then links no trace of the library.
#pragma once

#include <cstdio>
#include <dlfcn.h>

namespace sorvel::lazy {

// One entry of the table.
template <class F> void resolve(void* library, const char* name, F& into, bool& complete) {
    into = reinterpret_cast<F>(dlsym(library, name));
    complete = complete && into != nullptr;
}

// Opens `soname` and has `resolveAll(library, calls, complete)` fill in every entry: all of
// them, or an empty table (with the reason on stderr, after `who`). The library stays open.
template <class Calls, class ResolveAll>
Calls open(const char* who, const char* soname, ResolveAll resolveAll) {
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "%s: %s\n", who, dlerror());
        return {};
    }
    Calls calls;
    bool complete = true;
    resolveAll(library, calls, complete);
    if (!complete) {
        // Not the library these headers describe.
        std::fprintf(stderr, "%s: %s lacks calls this program makes\n", who, soname);
        dlclose(library);
        return {};
    }
    return calls;
}

// Calls the entry, or answers `otherwise` when the library could not be opened.
template <class Calls, class F, class R, class... Args>
R forward(const Calls& calls, F Calls::*call, R otherwise, Args... args) {
    const F function = calls.*call;
    return function != nullptr ? function(args...) : otherwise;
}

template <class Calls, class F, class... Args>
void forwardVoid(const Calls& calls, F Calls::*call, Args... args) {
    if (const F function = calls.*call; function != nullptr) {
        function(args...);
    }
}

} // namespace sorvel::lazy
