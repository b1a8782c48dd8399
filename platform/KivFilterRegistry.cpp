#include "KivFilterRegistry.h"

#include <array>
#include <cctype>
#include <utility>

namespace {

std::string_view StripBraces(std::string_view id) {
    if (id.size() >= 2 && id.front() == '{' && id.back() == '}') {
        return id.substr(1, id.size() - 2);
    }
    return id;
}

bool SameId(std::string_view a, std::string_view b) {
    a = StripBraces(a);
    b = StripBraces(b);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* KivFactoryForClsid(std::string_view clsid) {
    static const std::array<std::pair<std::string_view, const char*>, 3> kFilters = {{
        {KivClsidNetSource, KivFactoryNetSource},
        {KivClsidScreenCapture, KivFactoryScreenCapture},
        {KivClsidSampleSink, KivFactorySampleSink},
    }};
    for (const auto& [id, factory] : kFilters) {
        if (SameId(clsid, id))
            return factory;
    }
    return nullptr;
}
