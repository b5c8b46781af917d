#include "main/OpenList.h"

#include <gtest/gtest.h>

using namespace mainwin;

TEST(OpenList, EachFileKeepsItsOwnFolder)
{
    MyOpenFiles list = MakeOpenList({"/boards/a/top.gbr", "/boards/b/drill.drl", "/boards/a/../c/x.gbr"});
    ASSERT_EQ(list.Count, 3);
    EXPECT_EQ(list.Folder, "/boards/a");
    EXPECT_EQ(list.Names[1], "drill.drl");
    EXPECT_EQ(list.Folders[1], "/boards/b");
    EXPECT_EQ(list.PathOf(1).string(), "/boards/b/drill.drl");
    EXPECT_EQ(list.PathOf(2).string(), "/boards/c/x.gbr");
    EXPECT_EQ(list.Kinds, (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_TRUE(list.PathOf(3).empty());
    EXPECT_TRUE(list.PathOf(-1).empty());
}

TEST(OpenList, LimitAndKindAndRelativeNames)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 30; ++i) paths.push_back("/d/" + std::to_string(i) + ".gbr");
    MyOpenFiles list = MakeOpenList(paths, 2, MaxDroppedFiles);
    EXPECT_EQ(list.Count, 26);
    EXPECT_EQ(list.Names.back(), "25.gbr");
    EXPECT_EQ(list.Kinds.front(), 2);

    MyOpenFiles rel = MakeOpenList({"samples/demo.drl", ""});
    ASSERT_EQ(rel.Count, 1);
    EXPECT_TRUE(std::filesystem::path(rel.Folder).is_absolute());
    EXPECT_EQ(rel.Names[0], "demo.drl");
}
