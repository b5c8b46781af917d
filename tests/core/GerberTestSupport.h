#pragma once
// Shared set-up of the Gerber reader tests: clean tables and a work folder of
// their own.
#include "core/Datas.h"
#include "core/GerberReader.h"
#include "platform/ProgramPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace gerbertest {

class GerberFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int serial = 0;
        home_ = std::filesystem::temp_directory_path() /
                ("tessel2-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(home_ / "DATA");
        ::setenv("TESSEL2_HOME", home_.c_str(), 1);
        platform::ResetProgramFolder();
        core::ResetTables();
        core::GerberFormat = core::MyFormatPara{};
        core::ApertureCheck = 1;
        core::DataFolder = (home_ / "DATA").string();
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
        core::ResetTables();
    }

    // Reads text as layer `layer`.
    bool Read(const std::string& text, int layer = 1)
    {
        core::Gauge gauge;
        return core::ReadGerberData(gauge, text, layer, value);
    }

    const core::DataElement& E(int i) const { return core::Datas[static_cast<std::size_t>(i)]; }

    std::filesystem::path home_;
    core::MyDataValue value;
};

} // namespace gerbertest
