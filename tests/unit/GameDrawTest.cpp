// Game screen drawing, checked at the level of the GL calls it issues: the
// background panel, every grid cell, the entities at fractional positions, and
// the HUD bar and texts.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "Fakes.h"
#include "GameUnit.h"
#include "LevelUnit.h"
#include "PexGL.h"
#include "VarsUnit.h"

namespace {

using fake::Batch;
using fake::Batches;

// The text a PrintText batch draws, read back from its glyph cells.
std::string GlyphText(const Batch& B) {
    std::string Text;
    for (size_t I = 0; I < B.TexCoords.size(); I += 4) {
        const int32_t Column = int32_t(B.TexCoords[I].first * 16 + 0.5);
        const int32_t Row = int32_t(B.TexCoords[I].second * 16 + 0.5);
        Text += char(Row * 16 + Column);
    }
    return Text;
}

// Index of the first call named Name at or after From; GLCalls.size() if none.
size_t FindCall(const std::string& Name, size_t From = 0) {
    for (size_t I = From; I < fake::GLCalls.size(); ++I) {
        if (fake::GLCalls[I].Name == Name) return I;
    }
    return fake::GLCalls.size();
}

std::vector<double> Args(std::initializer_list<double> Values) {
    return Values;
}

class GameDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        GameLeave();
        fake::ResetGL();
        SetTextureSize(256);
        FontMetrics = TFontMetrics{};
        MenuTexture = 11;
        TilesTexture = 12;
        FontTexture = 13;
        Score = 0;
        LevelGrid.assign(10, TFieldRow(20, fkNone));
    }
    void TearDown() override {
        GameLeave();
        Score = 0;
    }
    static TEntity* Place(float X, float Y) {
        Entities = new TEntity{Entities, X, Y, false, false, false};
        return Entities;
    }
    // A textured quad at (X, Y), W x H, from source (SX, SY) in 256 x 256 space.
    static void ExpectQuad(const Batch& B, size_t Quad, double X, double Y, double W, double H,
                           double SX, double SY) {
        const size_t V = Quad * 4;
        ASSERT_LE(V + 4, B.Vertices.size());
        const double S0 = SX / 256, T0 = SY / 256, S1 = (SX + W) / 256, T1 = (SY + H) / 256;
        EXPECT_EQ(B.Vertices[V].first, X);
        EXPECT_EQ(B.Vertices[V].second, Y);
        EXPECT_EQ(B.Vertices[V + 2].first, X + W);
        EXPECT_EQ(B.Vertices[V + 2].second, Y + H);
        EXPECT_FLOAT_EQ(B.TexCoords[V].first, S0);
        EXPECT_FLOAT_EQ(B.TexCoords[V].second, T0);
        EXPECT_FLOAT_EQ(B.TexCoords[V + 2].first, S1);
        EXPECT_FLOAT_EQ(B.TexCoords[V + 2].second, T1);
    }
};

TEST_F(GameDrawing, BackgroundIsTintedPanelOfFortyCells) {
    DrawGameBackground();
    const auto& Calls = fake::GLCalls;
    ASSERT_GE(Calls.size(), 4u);
    EXPECT_EQ(Calls[0].Name, "glDisable");
    EXPECT_EQ(Calls[0].Args, Args({GL_BLEND}));
    EXPECT_EQ(Calls[1].Name, "glEnable");
    EXPECT_EQ(Calls[1].Args, Args({GL_TEXTURE_2D}));
    EXPECT_EQ(Calls[2].Name, "glColor3ub");
    EXPECT_EQ(Calls[2].Args, Args({64, 0, 0}));
    EXPECT_EQ(Calls[3].Name, "glBindTexture");
    EXPECT_EQ(Calls[3].Args, Args({GL_TEXTURE_2D, 11}));

    const auto B = Batches();
    ASSERT_EQ(B.size(), 1u);
    ASSERT_EQ(B[0].Vertices.size(), 40u * 4);
    for (int32_t Row = 0; Row < 8; ++Row) {
        for (int32_t Column = 0; Column < 5; ++Column) {
            ExpectQuad(B[0], Row * 5 + Column, 128 * Column, 64 * Row, 128, 64, 0, 64);
        }
    }
    EXPECT_EQ(Calls.back().Name, "glEnd");
}

TEST_F(GameDrawing, GridDrawsEveryCellWithItsTileImageInLevelSpace) {
    LevelGrid[0][0] = fkBrick;
    LevelGrid[4][7] = fkSteel;
    LevelGrid[9][19] = fkCoin;
    LevelGrid[3][2] = fkStairWay;
    LevelGrid[5][5] = fkRope;
    LevelGrid[6][6] = fkHero;
    LevelGrid[7][7] = fkEnemy;
    LevelGrid[8][8] = 9;  // not a tile kind: shown as an empty cell
    DrawLevelGrid();

    const size_t Push = FindCall("glPushMatrix");
    const size_t Translate = FindCall("glTranslatef");
    const size_t Begin = FindCall("glBegin");
    const size_t Pop = FindCall("glPopMatrix");
    ASSERT_LT(Push, Translate);
    ASSERT_LT(Translate, Begin);
    ASSERT_LT(FindCall("glEnd"), Pop);
    ASSERT_LT(Pop, fake::GLCalls.size());
    EXPECT_EQ(fake::GLCalls[Translate].Args, Args({0, 96, 0}));
    EXPECT_EQ(fake::CountCalls("glPushMatrix"), 1u);
    EXPECT_EQ(fake::CountCalls("glPopMatrix"), 1u);

    // Alpha blending, the tiles, white: set before the batch.
    EXPECT_EQ(fake::CallsNamed("glEnable")[0].Args, Args({GL_BLEND}));
    EXPECT_EQ(fake::CallsNamed("glBlendFunc")[0].Args,
              Args({GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
    EXPECT_EQ(fake::CallsNamed("glBindTexture")[0].Args, Args({GL_TEXTURE_2D, 12}));
    EXPECT_EQ(fake::CallsNamed("glColor4ub")[0].Args, Args({255, 255, 255, 255}));
    EXPECT_LT(FindCall("glColor4ub"), Begin);

    const auto B = Batches();
    ASSERT_EQ(B.size(), 1u);
    EXPECT_EQ(B[0].VertexCall, "glVertex2i");
    ASSERT_EQ(B[0].Vertices.size(), 10u * 20 * 4);
    // The tile strip: each kind's image 16 pixels right of the one before; the
    // cells not set above, and the value 9, show the empty cell at 0, 0.
    const struct {
        int32_t Row, Column;
        double SourceX;
    } Set[] = {{0, 0, 16}, {4, 7, 32}, {9, 19, 80}, {3, 2, 48},
               {5, 5, 64}, {6, 6, 96}, {7, 7, 112}, {8, 8, 0}};
    for (int32_t Row = 0; Row < 10; ++Row) {
        for (int32_t Column = 0; Column < 20; ++Column) {
            double SourceX = 0;
            for (const auto& Cell : Set)
                if (Cell.Row == Row && Cell.Column == Column) SourceX = Cell.SourceX;
            ExpectQuad(B[0], Row * 20 + Column, 16 * Column, 16 * Row, 16, 16, SourceX, 0);
        }
    }
}

TEST_F(GameDrawing, GridFollowsItsSize) {
    LevelGrid.assign(3, TFieldRow(2, fkBrick));
    DrawLevelGrid();
    auto B = Batches();
    ASSERT_EQ(B.size(), 1u);
    EXPECT_EQ(B[0].Vertices.size(), 3u * 2 * 4);
    ExpectQuad(B[0], 5, 16, 32, 16, 16, 16, 0);

    fake::ResetGL();
    LevelGrid.assign(1, TFieldRow(1, fkNone));
    DrawLevelGrid();
    B = Batches();
    ASSERT_EQ(B.size(), 1u);
    EXPECT_EQ(B[0].Vertices.size(), 4u);
}

TEST_F(GameDrawing, EntitiesDrawnAtFractionalPositionsHeroOverEnemy) {
    Hero = Place(300.5f, 100.25f);
    Hero->FacingRight = true;
    TEntity* Enemy = Place(-1, 47.75f);
    DrawEntities();

    EXPECT_EQ(fake::GLCalls[0].Name, "glPushMatrix");
    EXPECT_EQ(fake::GLCalls[1].Name, "glTranslatef");
    EXPECT_EQ(fake::GLCalls[1].Args, Args({0, 96, 0}));
    EXPECT_EQ(fake::GLCalls.back().Name, "glPopMatrix");
    EXPECT_EQ(fake::CallsNamed("glBindTexture")[0].Args, Args({GL_TEXTURE_2D, 12}));
    EXPECT_EQ(fake::CallsNamed("glBlendFunc")[0].Args,
              Args({GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
    EXPECT_EQ(fake::CallsNamed("glColor4ub")[0].Args, Args({255, 255, 255, 255}));

    const auto B = Batches();
    ASSERT_EQ(B.size(), 1u);
    EXPECT_EQ(B[0].VertexCall, "glVertex2f");
    ASSERT_EQ(B[0].Vertices.size(), 8u);
    // The enemy first, the hero last so that it covers the enemy; the same
    // image whichever way each faces.
    ExpectQuad(B[0], 0, Enemy->X, Enemy->Y, 16, 16, 0, 32);
    ExpectQuad(B[0], 1, 300.5, 100.25, 16, 16, 0, 32);
    EXPECT_EQ(B[0].Vertices[4].first, 300.5);
    EXPECT_EQ(B[0].Vertices[6].first, 316.5);
}

TEST_F(GameDrawing, NoEntitiesDrawNoQuads) {
    DrawEntities();
    const auto B = Batches();
    ASSERT_EQ(B.size(), 1u);
    EXPECT_TRUE(B[0].Vertices.empty());
    EXPECT_EQ(fake::CountCalls("glPushMatrix"), fake::CountCalls("glPopMatrix"));
}

TEST_F(GameDrawing, HudShowsGreenBarAndThreeTexts) {
    DrawHud();
    const auto B = Batches();
    ASSERT_EQ(B.size(), 4u);

    // The bar: sixteen 4-pixel segments in green from the menu texture.
    ASSERT_EQ(B[0].Vertices.size(), 16u * 4);
    for (int32_t I = 0; I < 16; ++I) ExpectQuad(B[0], I, 512 + 4 * I, 16, 4, 16, 8, 232);
    const size_t Green = FindCall("glColor4ub");
    EXPECT_EQ(fake::GLCalls[Green].Args, Args({0, 255, 0, 255}));
    EXPECT_GT(Green, B[0].BeginIndex);
    EXPECT_EQ(fake::CallsNamed("glBindTexture")[0].Args, Args({GL_TEXTURE_2D, 11}));
    EXPECT_EQ(fake::CallsNamed("glEnable")[0].Args, Args({GL_TEXTURE_2D}));

    // The texts in white from the font, 16-pixel glyphs.
    EXPECT_EQ(fake::CallsNamed("glBindTexture")[1].Args, Args({GL_TEXTURE_2D, 13}));
    EXPECT_EQ(fake::CallsNamed("glColor4ub")[1].Args, Args({255, 255, 255, 255}));
    EXPECT_EQ(FontMetrics.Size, 16);
    const struct {
        std::string Text;
        double X;
    } Texts[] = {{"score:000000", 16}, {"level:1", 240}, {"lives:3", 390}};
    for (size_t I = 0; I < 3; ++I) {
        const Batch& Text = B[I + 1];
        EXPECT_EQ(GlyphText(Text), Texts[I].Text);
        ASSERT_FALSE(Text.Vertices.empty());
        EXPECT_EQ(Text.Vertices[0].first, Texts[I].X);
        EXPECT_EQ(Text.Vertices[0].second, 16);
        EXPECT_EQ(Text.Vertices[2].first, Texts[I].X + 16);
        EXPECT_EQ(Text.Vertices[2].second, 32);
        EXPECT_EQ(Text.Vertices[4].first, Texts[I].X + 16);  // second glyph
    }
}

TEST_F(GameDrawing, ScoreHasAtLeastSixDigits) {
    const struct {
        int32_t Score;
        std::string Text;
    } Cases[] = {{42, "score:000042"},
                 {123456, "score:123456"},
                 {1234567, "score:1234567"},
                 {-5, "score:-000005"},
                 {INT32_MIN, "score:-2147483648"}};
    for (const auto& Case : Cases) {
        fake::ResetGL();
        Score = Case.Score;
        DrawHud();
        const auto B = Batches();
        ASSERT_EQ(B.size(), 4u);
        EXPECT_EQ(GlyphText(B[1]), Case.Text);
    }
}

TEST_F(GameDrawing, GameDrawPaintsBackgroundGridEntitiesHudInOrder) {
    Place(20, 30);
    LevelGrid.assign(2, TFieldRow(3, fkBrick));
    GameDraw();
    const auto B = Batches();
    ASSERT_EQ(B.size(), 7u);
    EXPECT_EQ(B[0].Vertices.size(), 160u);  // background
    EXPECT_EQ(B[1].Vertices.size(), 24u);   // grid
    EXPECT_EQ(B[2].VertexCall, "glVertex2f");
    EXPECT_EQ(B[2].Vertices.size(), 4u);   // entity
    EXPECT_EQ(B[3].Vertices.size(), 64u);  // bar
    EXPECT_EQ(GlyphText(B[4]), "score:000000");
    EXPECT_EQ(GlyphText(B[5]), "level:1");
    EXPECT_EQ(GlyphText(B[6]), "lives:3");
    EXPECT_EQ(fake::CountCalls("glPushMatrix"), 2u);
    EXPECT_EQ(fake::CountCalls("glPopMatrix"), 2u);
}

}  // namespace
