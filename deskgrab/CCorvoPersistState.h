#pragma once

#include <string>

#include "IScrCapParam.h"

// The saved parameters of a capture source: a version word, then eight
// 32-bit little-endian integers (left, right, top, bottom, width, height,
// fps, capture enabled). Loading applies them through the rules of the
// parameter interface.
class CCorvoPersistState {
public:
    static constexpr int kVersion = 0;
    static constexpr int kFileSize = 9 * 4;

    // "$XDG_CONFIG_HOME/kivim/deskgrab.state" (~/.config when unset).
    static std::string DefaultPath();
    static bool Save(IScrCapParam& param, const std::string& path, std::string* error);
    static bool Load(IScrCapParam& param, const std::string& path, std::string* error);
};
