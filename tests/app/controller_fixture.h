// The controller's module state and all recording fakes put back to a fresh
// start: default settings, a hidden main window, no lock, no menu loaded.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "controller_state.h"

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetControllerState();
        mainWindow = kWindow;
        osVersionInfo = OsVersionInfo{148, 5, 1, 2600, 2, {}};  // Windows XP
    }

    inline static const HWND kWindow = reinterpret_cast<HWND>(0x1234);

    // The calls of the given kinds only, in order (other ports' calls left out).
    static std::vector<std::string> Only(std::initializer_list<const char*> prefixes) {
        std::vector<std::string> out;
        for (const auto& c : fake::calls)
            for (const char* p : prefixes)
                if (c.rfind(p, 0) == 0) {
                    out.push_back(c);
                    break;
                }
        return out;
    }

    static bool Called(const std::string& call) {
        return std::find(fake::calls.begin(), fake::calls.end(), call) != fake::calls.end();
    }
};
