#pragma once

#include <memory>
#include <string>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include "CCorvoShmSegment.h"
#include "CCorvoXcbConnection.h"
#include "CorvoXcbReply.h"
#include "ICorvoScreenSource.h"

// The X11 desktop through xcb: MIT-SHM when the server shares memory with
// us, plain GetImage otherwise; the cursor from XFixes.
class CCorvoXcbScreen final : public ICorvoScreenSource {
public:
    explicit CCorvoXcbScreen(std::string displayName);
    ~CCorvoXcbScreen() override;

    // The size of a display's screen without keeping a connection; 0 x 0
    // when it cannot be opened.
    static CorvoScreenSize QuerySize(const std::string& displayName);

    bool Open(std::string* error) override;
    void Close() override;
    CorvoScreenSize Size() override;
    bool Grab(int left, int top, int width, int height, CorvoImageView* picture,
              std::string* error) override;
    bool IsLost() override;
    void Interrupt() override;

private:
    bool GrabShared(int left, int top, int width, int height, CorvoImageView* picture,
                    std::string* error);
    bool GrabCopied(int left, int top, int width, int height, CorvoImageView* picture,
                    std::string* error);
    void DrawCursor(xcb_xfixes_get_cursor_image_cookie_t cookie, int left, int top, int width,
                    int height, std::uint8_t* picture);
    void RefreshSize();

    std::string m_displayName;
    std::unique_ptr<CCorvoXcbConnection> m_connection;
    std::unique_ptr<CCorvoShmSegment> m_segment;
    CorvoXcbReply<xcb_get_image_reply_t> m_copied;
    bool m_hasCursor = false;
    CorvoScreenSize m_size;
};
