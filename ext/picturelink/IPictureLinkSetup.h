#pragma once

#include <memory>

class CMediaCallKeys;

// Beside the video session's documented operations: the keys of the calls
// started afterwards, shared with the sound of the same call (null: plain
// calls). Their datagrams are sealed with them, and only the peer's are seen.
class IPictureLinkSetup {
public:
    virtual void SetCallKeys(std::shared_ptr<CMediaCallKeys> keys) = 0;

protected:
    ~IPictureLinkSetup() = default;
};
