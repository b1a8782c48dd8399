#pragma once

#include <string_view>

// Media source filters keep their published class identifiers; a pipeline
// owner names a filter by identifier and gets the GStreamer element factory
// that implements it.
inline constexpr std::string_view KivClsidNetSource = "{01A600DE-57CD-48D3-DE5C-2C0572059935}";
inline constexpr std::string_view KivClsidScreenCapture = "{01A600DE-57CD-48D3-AA5C-2C05720599A3}";
inline constexpr std::string_view KivClsidSampleSink = "{11DBDB12-2AE3-4CF8-9CE8-C5C30A180F04}";

inline constexpr const char* KivFactoryNetSource = "netsou";
inline constexpr const char* KivFactoryScreenCapture = "deskgrab";
inline constexpr const char* KivFactorySampleSink = "kivsamplesink";

// The factory name for a class identifier (compared without regard to case,
// with or without braces); nullptr for an identifier nobody implements.
const char* KivFactoryForClsid(std::string_view clsid);
