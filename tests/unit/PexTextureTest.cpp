#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Capabilities.h"
#include "Fakes.h"
#include "PexTexture.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"
#include "TestTGA.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

std::string TrueColour(uint16_t Width, uint8_t Depth, const Bytes& Data) {
    return MakeTGA({0, 2, 0, 0, 0, Width, 1, Depth}, Data);
}

const std::string Small24 = TrueColour(2, 24, {1, 2, 3, 4, 5, 6});

class Texture : public ::testing::Test {
protected:
    fs::path Dir;

    TTempFolder Temp;

    void SetUp() override {
        fake::ResetGL();
        Dir = Temp.Path;
    }

    std::string Write(const std::string& Name, const std::string& Content) {
        const fs::path Path = Dir / Name;
        fs::create_directories(Path.parent_path());
        WriteBytes(Path.string(), Content);
        return Path.string();
    }

    static uint32_t FromStream(const std::string& Content) {
        std::istringstream Stream(Content);
        uint32_t Name = 0;
        LoadTextureFromStream(Stream, Name);
        return Name;
    }

    static std::string StreamError(const std::string& Content) {
        uint32_t Name = 77;
        try {
            std::istringstream Stream(Content);
            LoadTextureFromStream(Stream, Name);
        } catch (const std::runtime_error& E) {
            EXPECT_EQ(Name, 77u);
            return E.what();
        }
        return "";
    }
};

}  // namespace

TEST_F(Texture, CreateTextureMakesBoundMipmappedRGBATexture) {
    const Bytes Pixels{1, 2, 3, 4, 5, 6, 7, 8};
    const uint32_t Name = CreateTexture(2, 1, GL_RGBA, Pixels.data());
    std::vector<std::string> Order;
    for (const fake::GLCall& Call : fake::GLCalls) Order.push_back(Call.Name);
    EXPECT_EQ(Order, (std::vector<std::string>{"glGenTextures", "glBindTexture", "glTexEnvi",
                                               "glPixelStorei", "gluBuild2DMipmaps"}));
    EXPECT_EQ(fake::GLCalls[1].Args, (std::vector<double>{GL_TEXTURE_2D, double(Name)}));
    EXPECT_EQ(fake::GLCalls[2].Args,
              (std::vector<double>{GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE}));
    EXPECT_EQ(fake::GLCalls[3].Args, (std::vector<double>{GL_UNPACK_ALIGNMENT, 1}));
    EXPECT_EQ(fake::GLCalls[4].Args,
              (std::vector<double>{GL_TEXTURE_2D, 4, 2, 1, GL_RGBA, GL_UNSIGNED_BYTE}));
    EXPECT_EQ(fake::BoundTexture, Name);
    ASSERT_EQ(fake::Uploads.size(), 1u);
    EXPECT_EQ(fake::Uploads[0].Pixels, Pixels);
}

TEST_F(Texture, TrueColour24UploadsAsRGBWithSwappedBytes) {
    const uint32_t Name = FromStream(Small24);
    ASSERT_EQ(fake::Uploads.size(), 1u);
    const fake::MipmapUpload& Up = fake::Uploads[0];
    EXPECT_EQ(Up.Texture, Name);
    EXPECT_EQ(Up.Format, uint32_t(GL_RGB));
    EXPECT_EQ(Up.Components, 4);
    EXPECT_EQ(Up.Width, 2);
    EXPECT_EQ(Up.Height, 1);
    EXPECT_EQ(Up.Pixels, (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(fake::BoundTexture, Name);
}

TEST_F(Texture, TrueColour32KeepsItsAlpha) {
    FromStream(MakeTGA({0, 10, 0, 0, 0, 4, 1, 32}, {0x83, 10, 20, 30, 40}));
    ASSERT_EQ(fake::Uploads.size(), 1u);
    EXPECT_EQ(fake::Uploads[0].Format, uint32_t(GL_RGBA));
    EXPECT_EQ(fake::Uploads[0].Pixels,
              (Bytes{30, 20, 10, 40, 30, 20, 10, 40, 30, 20, 10, 40, 30, 20, 10, 40}));
}

TEST_F(Texture, PaletteImageUploadsAsRGBAWithMagentaTransparent) {
    // Entries stored blue, green, red: magenta and a dark blue.
    FromStream(MakeTGA({1, 1, 0, 2, 24, 4, 1, 8}, {255, 0, 255, 90, 0, 0, 1, 0, 1, 0}));
    ASSERT_EQ(fake::Uploads.size(), 1u);
    EXPECT_EQ(fake::Uploads[0].Format, uint32_t(GL_RGBA));
    EXPECT_EQ(fake::Uploads[0].Pixels,
              (Bytes{0, 0, 90, 255, 255, 0, 255, 0, 0, 0, 90, 255, 255, 0, 255, 0}));
}

TEST_F(Texture, GreyImageUploadsAsOpaqueRGBA) {
    FromStream(MakeTGA({0, 11, 0, 0, 0, 2, 1, 8}, {0x81, 128}));
    ASSERT_EQ(fake::Uploads.size(), 1u);
    EXPECT_EQ(fake::Uploads[0].Format, uint32_t(GL_RGBA));
    EXPECT_EQ(fake::Uploads[0].Pixels, (Bytes{128, 128, 128, 255, 128, 128, 128, 255}));
}

TEST_F(Texture, DecodingErrorGeneratesNoTexture) {
    EXPECT_EQ(StreamError(MakeTGA({1, 1, 0, 1, 16, 1, 1, 8}, {0, 0, 0})),
              "Unsupported color palette type!");
    EXPECT_EQ(StreamError(TrueColour(1, 0, {})), "Unsupported TGA pixel depth 0");
    EXPECT_EQ(StreamError(TrueColour(1, 16, {1, 2})), "Unsupported TGA pixel depth 16");
    EXPECT_EQ(StreamError(TrueColour(1, 48, Bytes(6))), "Unsupported TGA pixel depth 48");
    EXPECT_EQ(StreamError(TrueColour(1, 8, {1})),
              "Unsupported TGA pixel depth 8 for a true-colour image");
    EXPECT_EQ(StreamError(TrueColour(0, 24, {})), "Invalid TGA image: width or height is zero");
    EXPECT_EQ(fake::CountCalls("glGenTextures"), 0u);
    EXPECT_TRUE(fake::Uploads.empty());
}

TEST_F(Texture, FileErrorsAboutTheImageNameTheFile) {
    const std::string Path = Write("odd.tga", TrueColour(1, 16, {1, 2}));
    uint32_t Name = 5;
    try {
        LoadTextureFromFile(Path, Name);
        FAIL() << "16-bit image loaded";
    } catch (const std::runtime_error& E) {
        EXPECT_EQ(std::string(E.what()), "Unsupported TGA pixel depth 16 in file \"" + Path + "\"");
    }
    const std::string Empty = Write("empty.tga", "");
    try {
        LoadTextureFromFile(Empty, Name);
        FAIL() << "empty file loaded";
    } catch (const std::runtime_error& E) {
        EXPECT_EQ(std::string(E.what()),
                  "Invalid TGA image: width or height is zero in file \"" + Empty + "\"");
    }
    EXPECT_EQ(Name, 5u);
    EXPECT_EQ(fake::CountCalls("glGenTextures"), 0u);
}

TEST_F(Texture, MissingFileNamesItsFullPath) {
    if (!KeepsPathsAsWritten()) GTEST_SKIP() << "paths come back with '\\' on this system";
    const fs::path Saved = fs::current_path();
    fs::current_path(Dir);
    uint32_t Name = 9;
    std::string Message;
    try {
        LoadTexture("pic/missing.tga", Name);
    } catch (const std::runtime_error& E) {
        Message = E.what();
    }
    fs::current_path(Saved);
    EXPECT_EQ(Message, "Cannot open file \"" + (Dir / "pic/missing.tga").string() + "\". " +
                           std::strerror(ENOENT));
    EXPECT_EQ(Name, 9u);
    EXPECT_EQ(fake::CountCalls("glGenTextures"), 0u);
}

TEST_F(Texture, FolderIsNotAnImageFile) {
    fs::create_directories(Dir / "pics.tga");
    uint32_t Name = 0;
    EXPECT_THROW(LoadTexture((Dir / "pics.tga").string(), Name), std::runtime_error);
    EXPECT_EQ(Name, 0u);
}

TEST_F(Texture, PipeIsNotAnImageFileAndNeverWaitedOn) {
    if (!HasNamedPipes()) GTEST_SKIP() << "no named pipes on this system";
    uint32_t Name = 0;
    const std::string Pipe = (Dir / "font.tga").string();
    ASSERT_EQ(mkfifo(Pipe.c_str(), 0600), 0);
    std::string Message;
    EXPECT_TRUE(ReturnsWithoutAWriter(Pipe, [&] {
        try {
            LoadTexture(Pipe, Name);
        } catch (const std::runtime_error& E) {
            Message = E.what();
        }
    }));
    EXPECT_EQ(Message, "Cannot open file \"" + Pipe + "\". " + std::strerror(EINVAL));
    EXPECT_EQ(Name, 0u);
}

TEST_F(Texture, UpperCaseExtensionLoads) {
    const std::string Path = Write("FONT.TGA", Small24);
    uint32_t Name = 0;
    LoadTexture(Path, Name);
    ASSERT_EQ(fake::Uploads.size(), 1u);
    EXPECT_NE(Name, 0u);
    EXPECT_EQ(fake::BoundTexture, Name);
    EXPECT_EQ(fake::Uploads[0].Pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST_F(Texture, OtherExtensionsAreSkipped) {
    // Every file is a valid image, so loading any of them would make a texture.
    // The folder "my.tga" ends in the extension; it must not count for the file in it.
    for (const char* Name : {"font.png", "font", "font.tga.bak", "my.pics/font", "my.tga/font"})
        Write(Name, Small24);
    const std::string Base = Dir.string() + "/";
    for (const std::string& Name :
         {Base + "font.png", Base + "font", Base + "font.tga.bak", Base + "my.pics/font",
          Base + "my.tga/font", Base + "my.pics\\font", Base + "my.tga\\font",
          std::string("c.tga:font")}) {
        uint32_t Texture = 42;
        EXPECT_NO_THROW(LoadTexture(Name, Texture)) << Name;
        EXPECT_EQ(Texture, 42u) << Name;
    }
    EXPECT_TRUE(fake::GLCalls.empty());
}

TEST_F(Texture, BackslashFolderBeforeExtensionStillLoads) {
    const std::string Path = Write("a.b\\font.Tga", Small24);
    uint32_t Name = 0;
    LoadTexture(Path, Name);
    EXPECT_EQ(fake::Uploads.size(), 1u);
    EXPECT_EQ(Name, fake::BoundTexture);
}

TEST_F(Texture, RowsOfAnyWidthAreReadUnpadded) {
    // A 24-bit row of 255 pixels is 765 bytes; with GL's default alignment of 4
    // each row would be read from a 768-byte stride: sheared, and past the end.
    const uint16_t Width = 255, Height = 4;
    Bytes Data;
    for (uint16_t Y = 0; Y < Height; ++Y)
        for (uint16_t X = 0; X < Width; ++X) Data.insert(Data.end(), {uint8_t(X), 0, uint8_t(Y)});
    FromStream(MakeTGA({0, 2, 0, 0, 0, Width, Height, 24}, Data));

    // Both the scaling to 256 pixels and the mipmaps read and write packed rows.
    std::vector<std::string> Order;
    for (const fake::GLCall& Call : fake::GLCalls)
        if (Call.Name.rfind("glu", 0) == 0 || Call.Name == "glPixelStorei")
            Order.push_back(Call.Name);
    EXPECT_EQ(Order, (std::vector<std::string>{"glPixelStorei", "glPixelStorei", "gluScaleImage",
                                               "gluBuild2DMipmaps"}));
    std::vector<fake::GLCall> Stores = fake::CallsNamed("glPixelStorei");
    EXPECT_EQ(Stores[0].Args, (std::vector<double>{GL_UNPACK_ALIGNMENT, 1}));
    EXPECT_EQ(Stores[1].Args, (std::vector<double>{GL_PACK_ALIGNMENT, 1}));
    ASSERT_EQ(fake::Uploads.size(), 1u);
    EXPECT_EQ(fake::Uploads[0].UnpackAlignment, 1);
    ASSERT_EQ(fake::Uploads[0].Pixels.size(), size_t(256) * Height * 3);
    // Rows in stored order, red and blue swapped: pixel (x, y) is y, 0, x.
    EXPECT_EQ(fake::Uploads[0].Pixels[(3 * 256 + 255) * 3 + 0], 3);
    EXPECT_EQ(fake::Uploads[0].Pixels[(3 * 256 + 255) * 3 + 2], 254);

    // Every other depth and width is read the same way.
    for (const std::string& Image : {TrueColour(3, 24, Bytes(9)), TrueColour(2, 32, Bytes(8)),
                                     MakeTGA({0, 3, 0, 0, 0, 5, 1, 8}, Bytes(5))})
        FromStream(Image);
    ASSERT_EQ(fake::Uploads.size(), 4u);
    for (const fake::MipmapUpload& Upload : fake::Uploads) EXPECT_EQ(Upload.UnpackAlignment, 1);
}

TEST_F(Texture, SidesThatAreNotPowersOfTwoAreScaledToGluPowersFirst) {
    // GLU's choice: the power of two below, or above from three quarters of it.
    const std::pair<uint16_t, int32_t> Sides[] = {{1, 1},     {3, 4},       {5, 4},
                                                  {255, 256}, {300, 256},   {384, 512},
                                                  {700, 512}, {1000, 1024}, {1023, 1024}};
    for (const auto& [Side, Power] : Sides) {
        fake::ResetGL();
        const Bytes Pixels(size_t(Side) * 2 * 3);
        CreateTexture(Side, 2, GL_RGB, Pixels.data());
        ASSERT_EQ(fake::Uploads.size(), 1u);
        EXPECT_EQ(fake::Uploads[0].Width, Power) << Side;
        EXPECT_EQ(fake::Uploads[0].Height, 2) << Side;
        EXPECT_EQ(fake::CountCalls("gluScaleImage"), Side == Power ? 0u : 1u) << Side;
    }

    // The height too; sides already powers of two go to GLU untouched.
    fake::ResetGL();
    const Bytes Pixels(4 * 3 * 4);
    CreateTexture(4, 3, GL_RGBA, Pixels.data());
    ASSERT_EQ(fake::CallsNamed("gluScaleImage").size(), 1u);
    EXPECT_EQ(fake::CallsNamed("gluScaleImage")[0].Args,
              (std::vector<double>{GL_RGBA, 4, 3, GL_UNSIGNED_BYTE, 4, 4, GL_UNSIGNED_BYTE}));
    EXPECT_EQ(fake::Uploads[0].Height, 4);
    fake::ResetGL();
    Bytes Square(4 * 4 * 4);
    for (size_t I = 0; I < Square.size(); ++I) Square[I] = uint8_t(I);
    CreateTexture(4, 4, GL_RGBA, Square.data());
    EXPECT_EQ(fake::CountCalls("gluScaleImage"), 0u);
    EXPECT_EQ(fake::Uploads[0].Pixels, Square);
}
