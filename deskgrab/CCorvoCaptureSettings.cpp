#include "CCorvoCaptureSettings.h"

#include <cstdio>

#include "CCorvoBitmapFile.h"

namespace {

constexpr int kDefaultRight = 320;
constexpr int kDefaultBottom = 240;

}  // namespace

CCorvoCaptureSettings::CCorvoCaptureSettings(ScreenSizeSource screenSize)
    : m_screenSize(std::move(screenSize)) {
    m_state.right = kDefaultRight;
    m_state.bottom = kDefaultBottom;
    m_state.width = kDefaultRight;
    m_state.height = kDefaultBottom;
    m_state.rate = CCorvoFrameRate::Default();
}

void CCorvoCaptureSettings::SetFormatListener(Listener listener) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_formatListener = std::move(listener);
}

void CCorvoCaptureSettings::SetBitCount(int bits) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bitCount = bits;
}

CorvoCaptureSnapshot CCorvoCaptureSettings::Snapshot() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_state;
}

void CCorvoCaptureSettings::NotifyFormat() {
    Listener listener;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        listener = m_formatListener;
    }
    if (listener) {
        listener();
    }
}

int CCorvoCaptureSettings::SetFrameRate(int fps) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (fps == -1) {
            m_state.pacing = false;
            return ScrCapOk;
        }
        if (fps == -2) {
            m_state.timestamps = false;
            return ScrCapOk;
        }
        if (fps == 0) {
            m_state.pacing = true;
        }
        const CorvoFrameRateEntry rate = CCorvoFrameRate::ForFps(fps);
        if (rate.frameTime == m_state.rate.frameTime) {
            return ScrCapOk;
        }
        m_state.rate = rate;
    }
    NotifyFormat();
    return ScrCapOk;
}

int CCorvoCaptureSettings::GetFrameRate(int* fps) {
    if (fps == nullptr) {
        return ScrCapPointerError;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    *fps = CCorvoFrameRate::FpsForFrameTime(m_state.rate.frameTime);
    return ScrCapOk;
}

int CCorvoCaptureSettings::SetCaptureRect(int left, int top, int right, int bottom, int width,
                                          int height) {
    const CorvoScreenSize screen = m_screenSize ? m_screenSize() : CorvoScreenSize{};
    if (left < 0 || top < 0 || right < 0 || bottom < 0 || width < 0 || height < 0 ||
        left >= right || top >= bottom) {
        left = 0;
        top = 0;
        right = screen.width;
        bottom = screen.height;
        width = screen.width;
        height = screen.height;
    }
    bool resized = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // Against an unknown screen a rectangle is taken as given: the grab
        // clips it to the picture once there is one. The whole screen has no
        // size then and falls back like an empty screen.
        const bool offScreen = screen.known && (left >= screen.width || top >= screen.height);
        if (offScreen || width <= 0 || height <= 0 || width > kMaxOutputSide ||
            height > kMaxOutputSide) {
            m_state.left = 0;
            m_state.top = 0;
            m_state.right = kDefaultRight;
            m_state.bottom = kDefaultBottom;
        } else {
            m_state.left = left;
            m_state.top = top;
            m_state.right = right;
            m_state.bottom = bottom;
            resized = width != m_state.width || height != m_state.height;
            m_state.width = width;
            m_state.height = height;
        }
    }
    if (resized) {
        NotifyFormat();
    }
    return ScrCapOk;
}

int CCorvoCaptureSettings::GetCaptureRect(int* left, int* top, int* right, int* bottom, int* width,
                                          int* height) {
    if (left == nullptr || top == nullptr || right == nullptr || bottom == nullptr ||
        width == nullptr || height == nullptr) {
        return ScrCapPointerError;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    *left = m_state.left;
    *top = m_state.top;
    *right = m_state.right;
    *bottom = m_state.bottom;
    *width = m_state.width;
    *height = m_state.height;
    return ScrCapOk;
}

int CCorvoCaptureSettings::GetBitCount(int* bits) {
    if (bits == nullptr) {
        return ScrCapPointerError;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    *bits = m_bitCount;
    return ScrCapOk;
}

int CCorvoCaptureSettings::SetCaptureEnable(int enable) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_state.captureEnabled = enable != 0;
    }
    if (enable != 0) {
        SetImage(0, "");
    }
    return ScrCapOk;
}

int CCorvoCaptureSettings::GetCaptureEnable(int* enable) {
    if (enable == nullptr) {
        return ScrCapPointerError;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    *enable = m_state.captureEnabled ? 1 : 0;
    return ScrCapOk;
}

int CCorvoCaptureSettings::SetImage(int useImage, const char* path) {
    const std::string requested = path != nullptr ? path : "";
    bool load = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_state.imageLoaded = useImage != 0;
        if (useImage != 0) {
            m_state.captureEnabled = false;
            if (!requested.empty() && requested != m_imagePath) {
                m_imagePath = requested;
                load = true;
            }
        }
    }
    if (load) {
        std::shared_ptr<const CCorvoImage> still = LoadStill(requested);
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_imagePath == requested) {
            m_state.still = std::move(still);
        }
    }
    return ScrCapOk;
}

int CCorvoCaptureSettings::SetImageMode(int code) {
    std::lock_guard<std::mutex> guard(m_lock);
    switch (code) {
        case 1000:
            m_state.imageMode = CorvoImageMode::Whole;
            break;
        case 1001:
            m_state.imageMode = CorvoImageMode::Around720x576;
            break;
        case 1002:
            m_state.imageMode = CorvoImageMode::Around800x600;
            break;
        default:
            break;
    }
    return ScrCapOk;
}

std::shared_ptr<const CCorvoImage> CCorvoCaptureSettings::LoadStill(const std::string& path) {
    std::fprintf(stderr, "[DeskGrab]Load Image : %s -", path.c_str());
    auto image = std::make_shared<CCorvoImage>();
    std::string error;
    if (!CCorvoBitmapFile::Load(path, image.get(), &error)) {
        std::fprintf(stderr, "Failure !\n[DeskGrab]%s\n", error.c_str());
        return nullptr;
    }
    std::fprintf(stderr, "Success !\n");
    return image;
}
