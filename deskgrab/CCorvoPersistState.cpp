#include "CCorvoPersistState.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

void PutInt(std::vector<char>* bytes, int value) {
    const auto word = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes->push_back(static_cast<char>(word >> shift & 0xff));
    }
}

int GetInt(const std::vector<char>& bytes, std::size_t at) {
    std::uint32_t word = 0;
    for (int i = 3; i >= 0; --i) {
        word = word << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return static_cast<int>(word);
}

}  // namespace

std::string CCorvoPersistState::DefaultPath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (configHome != nullptr && *configHome != '\0') {
        base = configHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : ".") / ".config";
    }
    return (base / "kivim" / "deskgrab.state").string();
}

bool CCorvoPersistState::Save(IScrCapParam& param, const std::string& path, std::string* error) {
    int left = 0, top = 0, right = 0, bottom = 0, width = 0, height = 0, fps = 0, enable = 0;
    param.GetCaptureRect(&left, &top, &right, &bottom, &width, &height);
    param.GetFrameRate(&fps);
    param.GetCaptureEnable(&enable);
    std::vector<char> bytes;
    for (const int value : {kVersion, left, right, top, bottom, width, height, fps, enable}) {
        PutInt(&bytes, value);
    }
    std::error_code ignored;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ignored);
    }
    // Write a new file and move it over the old one, so a crash mid-write
    // never leaves a cut-off state behind.
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) ||
            !file.flush()) {
            *error = "cannot write " + temporary;
            return false;
        }
    }
    std::error_code failure;
    std::filesystem::rename(temporary, target, failure);
    if (failure) {
        std::filesystem::remove(temporary, ignored);
        *error = "cannot replace " + path + ": " + failure.message();
        return false;
    }
    return true;
}

bool CCorvoPersistState::Load(IScrCapParam& param, const std::string& path, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<char> bytes;
    bytes.resize(kFileSize + 1);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.gcount() != kFileSize) {
        *error = path + " is not a saved capture state (wrong size)";
        return false;
    }
    if (GetInt(bytes, 0) != kVersion) {
        *error = path + " has an unknown version";
        return false;
    }
    const auto at = [&](int index) {
        return GetInt(bytes, 4 * static_cast<std::size_t>(index + 1));
    };
    param.SetCaptureRect(at(0), at(2), at(1), at(3), at(4), at(5));
    param.SetFrameRate(at(6));
    param.SetCaptureEnable(at(7));
    return true;
}
