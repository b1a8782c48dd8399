#include <dlfcn.h>

#include <string>

#include "SoundLinkGst.h"

const char* SoundLinkLibraryFolder() {
    static const std::string folder = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&SoundLinkLibraryFolder), &info) == 0 ||
            info.dli_fname == nullptr) {
            return std::string();
        }
        const std::string path = info.dli_fname;
        const size_t slash = path.rfind('/');
        return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    }();
    return folder.c_str();
}
