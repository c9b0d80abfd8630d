// Per-frame game work (movement and drawing) and the loads done at start-up
// or on entering a screen, on the data Pex ships.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "Fakes.h"
#include "GameUnit.h"
#include "LevelUnit.h"
#include "MenuUnit.h"
#include "PexGL.h"
#include "PexScript.h"
#include "PexTGA.h"

namespace {

std::string ReadData(const std::string& Name) {
    std::string Text;
    ReadWholeFile(std::string(PEX_SOURCE_DIR) + "/data/" + Name, Text);
    return Text;
}

void LoadShippedLevel() {
    InitLevel();
    LoadLevelFromText(ReadData("level/default/1.txt"));
}

// One frame of the game's movement: the enemy and the hero through all steps.
void BM_GameStep(benchmark::State& State) {
    LoadShippedLevel();
    GameEnter();
    DeltaTime = 1.0 / 60;
    KeyCallback(kcRight, 1);
    for (auto _ : State) {
        GameUpdate();
        GameStep();
        // Keep the hero walking back and forth across the level.
        if (Hero->X >= 600 || Hero->X <= 16) {
            bool Right = KeyDown(kcRight);
            KeyCallback(kcRight, Right ? 0 : 1);
            KeyCallback(kcLeft, Right ? 1 : 0);
        }
    }
    GameLeave();
}
BENCHMARK(BM_GameStep);

// One frame of game drawing (960 cells, two sprites, the HUD); the recording
// GL fake is emptied between frames and counts into the figure.
void BM_GameDraw(benchmark::State& State) {
    LoadShippedLevel();
    GameEnter();
    fake::ResetGL();
    fake::GLCalls.reserve(20000);
    for (auto _ : State) {
        GameDraw();
        State.PauseTiming();
        fake::GLCalls.clear();
        State.ResumeTiming();
    }
    GameLeave();
}
BENCHMARK(BM_GameDraw);

void BM_LoadShippedLevel(benchmark::State& State) {
    const std::string Text = ReadData("level/default/1.txt");
    InitLevel();
    for (auto _ : State) {
        LoadLevelFromText(Text);
        benchmark::DoNotOptimize(LevelGrid.data());
    }
}
BENCHMARK(BM_LoadShippedLevel);

void BM_SaveShippedLevelText(benchmark::State& State) {
    LoadShippedLevel();
    for (auto _ : State) benchmark::DoNotOptimize(LevelText());
}
BENCHMARK(BM_SaveShippedLevelText);

// Decoding and converting each shipped picture as the texture loader does.
void BM_DecodePicture(benchmark::State& State, const char* Name) {
    const std::string Bytes = ReadData(std::string("pic/") + Name);
    for (auto _ : State) {
        std::istringstream Stream(Bytes);
        TTGAImage Image;
        Image.LoadFromStream(Stream);
        Image.SwapRedBlue();
        if (Image.Header.PixelDepth / 8 == 1) Image.ConvertTo32Bit();
        benchmark::DoNotOptimize(Image.PixelData());
    }
}
BENCHMARK_CAPTURE(BM_DecodePicture, splash, "splash.tga");
BENCHMARK_CAPTURE(BM_DecodePicture, font, "font.tga");
BENCHMARK_CAPTURE(BM_DecodePicture, gui, "gui.tga");

void BM_ReadMenuScript(benchmark::State& State) {
    const std::string Text = ReadData("main.menu");
    for (auto _ : State) LoadMenuFromText(Text);
}
BENCHMARK(BM_ReadMenuScript);

}  // namespace

BENCHMARK_MAIN();
