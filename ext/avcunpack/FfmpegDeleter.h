#pragma once

#include <memory>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

// Frees FFmpeg objects with their own release functions, so owners can be
// declared without the FFmpeg headers.
struct FfmpegDeleter {
    void operator()(AVCodecContext* context) const;
    void operator()(AVFrame* frame) const;
    void operator()(AVPacket* packet) const;
    void operator()(SwsContext* scaler) const;
};

template <class T>
using FfmpegPtr = std::unique_ptr<T, FfmpegDeleter>;
