#include "filesystem/file_path.h"

#include <gtest/gtest.h>

using norvik::filesystem::file_path;

TEST(FilePath, DisplayStringUsesForwardSlashesAndUtf8) {
    EXPECT_EQ(file_path(L"C:\\Program Files\\Adobe").to_display_string(), "C:/Program Files/Adobe");
    EXPECT_EQ(file_path().to_display_string(), "");
    EXPECT_EQ(file_path(L"C:\\Gr\u00fc\u00dfe\\\u65e5\u672c").to_display_string(), "C:/Gr\xc3\xbc\xc3\x9f"
                                                                                   "e/\xe6\x97\xa5\xe6\x9c\xac");
    // A pair of surrogates is one character outside the basic plane.
    EXPECT_EQ(file_path(std::wstring{L'a', wchar_t(0xD83D), wchar_t(0xDE00)}).to_display_string(), "a\xf0\x9f\x98\x80");
}

TEST(FilePath, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::string replacement = "\xef\xbf\xbd";
    EXPECT_EQ(file_path(std::wstring{L'C', L':', L'\\', wchar_t(0xD800), L'x'}).to_display_string(),
              "C:/" + replacement + "x");
    EXPECT_EQ(file_path(std::wstring{wchar_t(0xDC00), wchar_t(0xD83D)}).to_display_string(), replacement + replacement);
}

TEST(FilePath, AppendIsPlainConcatenation) {
    file_path path(L"C:\\Plug-ins\\");
    path.append(L"\\Falkmoor");
    EXPECT_EQ(path.wstring(), L"C:\\Plug-ins\\\\Falkmoor");
    EXPECT_FALSE(path.empty());
    EXPECT_TRUE(file_path(L"").empty());

    const file_path copy = path;
    path.append(L"\\Quendal.aex");
    EXPECT_EQ(copy.wstring(), L"C:\\Plug-ins\\\\Falkmoor") << "copies are independent";
}
