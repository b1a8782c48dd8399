#pragma once

#include "IScrCapParam.h"

struct _GstElement;

// The parameter interface of a "deskgrab" element; nullptr for any other
// element. It lives as long as the element.
IScrCapParam* ScrCapParamOf(struct _GstElement* element);
