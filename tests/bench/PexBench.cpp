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

// One frame of grid drawing in a 640 x 480 window for square levels of the
// given side (and the shipped one for 0): the cost follows the visible cells.
void BM_DrawLevelGrid(benchmark::State& State) {
    if (State.range(0) == 0) {
        LoadShippedLevel();
    } else {
        LevelGrid.assign(State.range(0), TFieldRow(State.range(0), fkBrick));
    }
    WindowWidth = 640;
    WindowHeight = 480;
    fake::ResetGL();
    fake::GLCalls.reserve(20000);
    for (auto _ : State) {
        DrawLevelGrid();
        State.PauseTiming();
        fake::GLCalls.clear();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_DrawLevelGrid)->Arg(0)->Arg(160)->Arg(640)->Arg(4096);

void BM_LoadShippedLevel(benchmark::State& State) {
    const std::string Text = ReadData("level/default/1.txt");
    InitLevel();
    for (auto _ : State) {
        LoadLevelFromText(Text);
        benchmark::DoNotOptimize(LevelGrid.data());
    }
}
BENCHMARK(BM_LoadShippedLevel);

// Loads a level header that gives First once and then Repeated over and over.
void LoadRepeatedSizes(benchmark::State& State, const char* First, const char* Repeated) {
    std::string Text = std::string("mole_ladder.level\r\n") + First + "\r\n";
    for (int64_t Repeat = 0; Repeat < State.range(0); ++Repeat)
        Text += std::string(Repeated) + "\r\n";
    Text += "data\r\n";
    InitLevel();
    for (auto _ : State) {
        LoadLevelFromText(Text);
        benchmark::DoNotOptimize(LevelGrid.data());
    }
    State.SetBytesProcessed(State.iterations() * int64_t(Text.size()));
}

// A file that sets the height to 4096 and then repeats "width 4096 width 1":
// reading it must cost no more than its length and the grid it leaves.
void BM_LoadRepeatedWidths(benchmark::State& State) {
    LoadRepeatedSizes(State, "height 4096", "width 4096 width 1");
}
BENCHMARK(BM_LoadRepeatedWidths)->Arg(2000)->Arg(55000)->Unit(benchmark::kMillisecond);

// The same with "height 4096 height 1", which drops and adds rows every time.
void BM_LoadRepeatedHeights(benchmark::State& State) {
    LoadRepeatedSizes(State, "width 4096", "height 4096 height 1");
}
BENCHMARK(BM_LoadRepeatedHeights)->Arg(2000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The largest level there is, 4096 x 4096, as the editor saves it.
void BM_LoadLargestLevel(benchmark::State& State) {
    LevelGrid.assign(MaxLevelSize, TFieldRow(MaxLevelSize, fkBrick));
    const std::string Text = LevelText();
    for (auto _ : State) {
        InitLevel();
        LoadLevelFromText(Text);
        benchmark::DoNotOptimize(LevelGrid.data());
    }
    State.SetBytesProcessed(State.iterations() * int64_t(Text.size()));
}
BENCHMARK(BM_LoadLargestLevel)->Unit(benchmark::kMillisecond);

// 32 MiB of one-letter tokens the reader skips: the most tokens a text of
// that length can hold.
void BM_LoadUnknownTokens(benchmark::State& State) {
    std::string Text = "mole_ladder.level";
    for (int32_t Token = 0; Token < 16 * 1024 * 1024; ++Token) Text += " a";
    for (auto _ : State) {
        InitLevel();
        LoadLevelFromText(Text);
        benchmark::DoNotOptimize(LevelGrid.data());
    }
    State.SetBytesProcessed(State.iterations() * int64_t(Text.size()));
}
BENCHMARK(BM_LoadUnknownTokens)->Unit(benchmark::kMillisecond);

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
