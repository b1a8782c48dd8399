#pragma once

// Parameters of the screen capture source, in the slot order of the
// published interface {85D1BA73-B9D8-4CB1-AC7E-7CB49CCAAC8E}. Every operation
// returns ScrCapOk unless said otherwise; an out-parameter that is null is
// refused with ScrCapPointerError.
inline constexpr int ScrCapOk = 0;
inline constexpr int ScrCapPointerError = static_cast<int>(0x80004003u);

class IScrCapParam {
public:
    // fps from the frame-rate table; 0 also switches pacing on, -1 switches
    // pacing off and -2 switches time stamps off (both keep the rate).
    virtual int SetFrameRate(int fps) = 0;
    virtual int GetFrameRate(int* fps) = 0;
    // The desktop rectangle to grab and the output size it is scaled to.
    virtual int SetCaptureRect(int left, int top, int right, int bottom, int width, int height) = 0;
    virtual int GetCaptureRect(int* left, int* top, int* right, int* bottom, int* width,
                               int* height) = 0;
    virtual int GetBitCount(int* bits) = 0;
    virtual int SetCaptureEnable(int enable) = 0;
    virtual int GetCaptureEnable(int* enable) = 0;
    // The still image delivered while capture is off.
    virtual int SetImage(int useImage, const char* path) = 0;
    // 1000, 1001, 1002 pick the still image placement; other codes are ignored.
    virtual int SetImageMode(int code) = 0;

protected:
    ~IScrCapParam() = default;
};
