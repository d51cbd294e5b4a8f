// What the program carries besides its code: the module to install, the
// icon, the version information and the manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string resource_text(LPCWSTR type, WORD id) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), type);
    if (!found) {
        return {};
    }
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(self, found)));
    return std::string(bytes, SizeofResource(self, found));
}

TEST(Resources, ModuleIsPresentAndTheAbsentOneIsNot) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC module = FindResourceW(self, MAKEINTRESOURCEW(400), RT_RCDATA);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(SizeofResource(self, module), 15'434'240u);
    EXPECT_EQ(FindResourceW(self, MAKEINTRESOURCEW(300), RT_RCDATA), nullptr);
}

TEST(Resources, IconAndVersion) {
    EXPECT_NE(FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);

    std::string version = resource_text(RT_VERSION, 1);
    ASSERT_GE(version.size(), 40 + sizeof(VS_FIXEDFILEINFO));
    // The fixed part follows the "VS_VERSION_INFO" key, aligned to 32 bits.
    const auto signature = version.find("\xbd\x04\xef\xfe");
    ASSERT_NE(signature, std::string::npos);
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, version.data() + signature, sizeof(fixed));
    EXPECT_EQ(fixed.dwFileVersionMS, (1u << 16) | 0u);
    EXPECT_EQ(fixed.dwFileVersionLS, (6u << 16) | 0u);
}

TEST(Resources, ManifestRunsAsInvokerAndIsDpiAndLongPathAware) {
    const std::string manifest = resource_text(RT_MANIFEST, 1);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true<"),
              std::string::npos);
}

} // namespace
