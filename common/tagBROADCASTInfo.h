#pragma once

#include <cstdint>

// Head of every broadcast record: the topic it goes to. A sender embeds it as
// the first member of its own record; the registry passes the record on by
// address and never looks past the topic.
struct tagBROADCASTInfo {
    int32_t topic = 0;
};
