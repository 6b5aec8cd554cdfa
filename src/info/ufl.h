// UFL: answers information requests about the library by keyword, and works its log.
#pragma once

#include "core/text.h"

class UFL {
public:
    // The answer for one keyword (case-insensitive, exact); the empty text for any other.
    Text Help(const Text& helpCommand) const;
};
