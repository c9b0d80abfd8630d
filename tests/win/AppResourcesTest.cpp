// The resources of pex.exe that Windows shows for the file: the icon, in every
// size the picture generator draws, and the version of the project.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

#pragma pack(push, 2)
struct TIconGroupEntry {  // GRPICONDIRENTRY
    uint8_t Width, Height, Colors, Reserved;
    uint16_t Planes, BitCount;
    uint32_t Bytes;
    uint16_t Id;
};
#pragma pack(pop)

}  // namespace

TEST(AppResources, IconHoldsEverySizeFrom16To256) {
    const HMODULE Exe = LoadLibraryExA(PEX_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Exe, nullptr);
    const HRSRC Group =
        FindResourceA(Exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(Group, nullptr);
    const auto* Data = static_cast<const uint8_t*>(LockResource(LoadResource(Exe, Group)));
    ASSERT_NE(Data, nullptr);
    const uint16_t Count = *reinterpret_cast<const uint16_t*>(Data + 4);
    std::set<int32_t> Sides;
    for (uint16_t I = 0; I < Count; ++I) {
        const auto* Entry = reinterpret_cast<const TIconGroupEntry*>(Data + 6 + 14 * I);
        Sides.insert(Entry->Width == 0 ? 256 : Entry->Width);
        EXPECT_EQ(Entry->BitCount, 32);
        // Each image is there, as a PNG file.
        const HRSRC Image = FindResourceA(Exe, MAKEINTRESOURCEA(Entry->Id), MAKEINTRESOURCEA(3));
        ASSERT_NE(Image, nullptr);
        EXPECT_EQ(SizeofResource(Exe, Image), Entry->Bytes);
        const auto* Bytes = static_cast<const char*>(LockResource(LoadResource(Exe, Image)));
        EXPECT_EQ(std::string(Bytes + 1, 3), "PNG");
    }
    EXPECT_EQ(Sides, (std::set<int32_t>{16, 32, 48, 64, 128, 256}));
    FreeLibrary(Exe);
}

TEST(AppResources, VersionIsTheProjects) {
    DWORD Handle = 0;
    const DWORD Size = GetFileVersionInfoSizeA(PEX_EXE, &Handle);
    ASSERT_GT(Size, 0u);
    std::vector<char> Info(Size);
    ASSERT_TRUE(GetFileVersionInfoA(PEX_EXE, 0, Size, Info.data()));
    char* Value = nullptr;
    UINT Length = 0;
    ASSERT_TRUE(VerQueryValueA(Info.data(), "\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&Value), &Length));
    EXPECT_STREQ(Value, PEX_VERSION);
    VS_FIXEDFILEINFO* Fixed = nullptr;
    ASSERT_TRUE(VerQueryValueA(Info.data(), "\\", reinterpret_cast<void**>(&Fixed), &Length));
    const std::string Numbers = std::to_string(HIWORD(Fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(Fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(Fixed->dwFileVersionLS));
    EXPECT_EQ(Numbers, PEX_VERSION);
}
