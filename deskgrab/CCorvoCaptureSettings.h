#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "CorvoCaptureSnapshot.h"
#include "CorvoScreenSize.h"
#include "IScrCapParam.h"

// The parameters of the capture source and their rules. Safe to use from
// any thread: the owner's thread writes while the streaming threads read.
class CCorvoCaptureSettings final : public IScrCapParam {
public:
    // Output sides above this are refused like non-positive ones.
    static constexpr int kMaxOutputSide = 8192;

    using ScreenSizeSource = std::function<CorvoScreenSize()>;
    using Listener = std::function<void()>;

    explicit CCorvoCaptureSettings(ScreenSizeSource screenSize);
    ~CCorvoCaptureSettings() = default;

    // Called, outside the lock, when the output size or the rate changes.
    void SetFormatListener(Listener listener);
    // The bit count of the negotiated format.
    void SetBitCount(int bits);
    CorvoCaptureSnapshot Snapshot() const;

    int SetFrameRate(int fps) override;
    int GetFrameRate(int* fps) override;
    int SetCaptureRect(int left, int top, int right, int bottom, int width, int height) override;
    int GetCaptureRect(int* left, int* top, int* right, int* bottom, int* width,
                       int* height) override;
    int GetBitCount(int* bits) override;
    int SetCaptureEnable(int enable) override;
    int GetCaptureEnable(int* enable) override;
    int SetImage(int useImage, const char* path) override;
    int SetImageMode(int code) override;

private:
    void NotifyFormat();
    static std::shared_ptr<const CCorvoImage> LoadStill(const std::string& path);

    ScreenSizeSource m_screenSize;
    mutable std::mutex m_lock;
    Listener m_formatListener;
    CorvoCaptureSnapshot m_state;
    int m_bitCount = 32;
    std::string m_imagePath;
};
