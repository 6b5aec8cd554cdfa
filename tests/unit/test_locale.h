// The user's default locale for tests that depend on it. The portable build reads it from the
// environment, which a test may set for its own duration; Windows reads the user's setting,
// which the test presets start Wine with (LANG=C.UTF-8 gives en-US).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/text_order.h"

#ifndef _WIN32
// Sets an environment variable (or removes it, for nullptr) until the end of the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedVariable() {
        if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
        else ::unsetenv(name_.c_str());
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};
#endif

// Makes en-US the user's default locale for the test that holds it (or fails the test where
// the platform's setting says otherwise).
class EnglishDefaultLocale {
public:
    EnglishDefaultLocale() { EXPECT_EQ(platform::DefaultLocaleName(), u"en-US") << "the test needs en-US"; }

private:
#ifndef _WIN32
    ScopedVariable all_{"LC_ALL", "C.UTF-8"};
#endif
};
