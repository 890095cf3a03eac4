#include "ResourceWriter.h"

#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace
{
int Occurrences(const std::string& text, const std::string& what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}
} // namespace

TEST(CResourceWriterTest, TableListsEveryImageAndEmbedsEqualBytesOnce)
{
    CTempDataFolder folder;
    CResourceWriter writer(folder.GetPath() + "/out");
    ASSERT_TRUE(writer.Prepare());
    const std::vector<unsigned char> a = {1, 2, 3};
    const std::vector<unsigned char> b = {4, 5};
    ASSERT_TRUE(writer.AddImage("A.png", 1, a));
    ASSERT_TRUE(writer.AddImage("A.png", 2, b));
    ASSERT_TRUE(writer.AddImage("ACopy.png", 1, a));
    const std::string text = writer.SourceText();
    EXPECT_EQ(Occurrences(text, ".incbin \\\""), 2);
    EXPECT_NE(text.find("{\"A.png\", 1, morvex_artwork_0, 3ul}"), std::string::npos);
    EXPECT_NE(text.find("{\"A.png\", 2, morvex_artwork_1, 2ul}"), std::string::npos);
    EXPECT_NE(text.find("{\"ACopy.png\", 1, morvex_artwork_0, 3ul}"), std::string::npos);
    EXPECT_NE(text.find("kEditorArtworkCount = 3;"), std::string::npos);
    EXPECT_EQ(writer.TotalBytes(), 5ul) << "each distinct image once";

    std::ifstream written(folder.GetPath() + "/out/2x/A.png", std::ios::binary);
    std::ostringstream bytes;
    bytes << written.rdbuf();
    EXPECT_EQ(bytes.str(), std::string("\x04\x05", 2));
}

TEST(CResourceWriterTest, SourceIsRewrittenOnlyWhenAnImageChanged)
{
    CTempDataFolder folder;
    bool changed = false;
    {
        CResourceWriter writer(folder.GetPath());
        ASSERT_TRUE(writer.Prepare());
        ASSERT_TRUE(writer.AddImage("A.png", 1, {1, 2, 3}));
        ASSERT_TRUE(writer.WriteSource(changed));
        EXPECT_TRUE(changed);
        ASSERT_TRUE(writer.WriteSource(changed));
        EXPECT_FALSE(changed);
    }
    // Same size, other bytes: the checksum in the text changes, so the embedding
    // recompiles.
    CResourceWriter writer(folder.GetPath());
    ASSERT_TRUE(writer.Prepare());
    ASSERT_TRUE(writer.AddImage("A.png", 1, {1, 2, 4}));
    ASSERT_TRUE(writer.WriteSource(changed));
    EXPECT_TRUE(changed);
}

// A quote and a backslash: \" and \\ for the assembler, each escaped again for C++. FNV-1a 64
// reference values: "" -> cbf29ce484222325, "a" -> af63dc4c8601ec8c.
TEST(CResourceWriterTest, EscapingForTheAssemblerAndTheChecksumFollowTheirReferences)
{
    EXPECT_EQ(CResourceWriter::EscapeForAsmInCpp("a\"b\\c"), "a\\\\\\\"b\\\\\\\\c");
    EXPECT_EQ(CResourceWriter::EscapeForAsmInCpp("/plain/path.png"), "/plain/path.png");
    EXPECT_EQ(CResourceWriter::Checksum({}), 0xcbf29ce484222325ull);
    EXPECT_EQ(CResourceWriter::Checksum({'a'}), 0xaf63dc4c8601ec8cull);
}
