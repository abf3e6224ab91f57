// A media root of the test's own in the temporary folder (pictures, sounds
// and a source folder beside them), the media manager's fakes pointed at it,
// and the dialog that works there.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "fake_trovebox.h"
#include "media_dlg.h"

class MediaRootTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        trovefake::Reset();
        root = fs::temp_directory_path() / ("trovebox-test-" + std::to_string(std::random_device{}()));
        for (const char* folder : {"pictures", "sounds", "source"}) fs::create_directories(root / folder);
        trovefake::script.currentDirectory = root.string();
        trovefake::script.separator = static_cast<char>(fs::path::preferred_separator);
        std::memset(selectionBuffer, 0, sizeof selectionBuffer);
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::filesystem::path root;
    CMediaDlg dialog;
};
