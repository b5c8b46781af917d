#pragma once
// Tests that open each corpus board as the open command does: a program
// folder of their own, message boxes that answer no, the shell left alone.
#include "CorpusBoards.h"
#include "main/OpenCommands.h"
#include "main/OpenList.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/MessageBoxes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace corpusboards {

class CorpusJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("tessel2-corpus-job-" + std::to_string(std::random_device{}()));
        fs::create_directories(root / "DATA");
        setenv("TESSEL2_HOME", root.c_str(), 1);
        platform::ResetProgramFolder();
        core::DataFolder = (root / "DATA").string();
        mainwin::ShellOpenFile = [](const std::string&) { return true; };
        boxes.positiveByDefault = false;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root, ec);
        platform::ResetProgramFolder();
    }

    // The board's files opened into an emptied job; false when they do not
    // load (out of range).
    static bool OpenBoard(const std::vector<fs::path>& files)
    {
        std::vector<std::string> paths;
        for (const fs::path& f : files) paths.push_back(f.string());
        mainwin::MyOpenFiles list = mainwin::MakeOpenList(paths);
        mainwin::ClearAllData(true);
        return mainwin::OpenFileList(list) == 1;
    }

    fs::path root;
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped{&boxes};
};

} // namespace corpusboards
