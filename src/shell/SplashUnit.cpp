#include "SplashUnit.h"

#include "PexGL.h"
#include "SoundUnit.h"
#include "StateUnit.h"
#include "VarsUnit.h"

void SplashEnter() {
    // The picture shows whether or not the music starts.
    PlayMusic(MusicDir + "splash.oxm");
}

// The music keeps playing into the menu.
void SplashLeave() {}

void SplashUpdate() {
    // The switch clears the keys, so one press switches once.
    if (KeyDown(kcEscape)) SwitchState(stMenu);
}

void SplashStep() {}

void SplashDraw() {
    SetTexturing(true);
    BindTexture(SplashTexture);
    SetBlendMode(bmNone);
    SetColor(clWhite);
    SetTextureSizeWH(1024, 512);
    BeginQuads();
    DrawTexQuad(0, 0, 640, 480, 0, 0);
    EndQuads();
    // Every other screen draws in the 256 x 256 source space.
    SetTextureSize(256);
}

void InitSplash() {
    States[stSplash].Enter = SplashEnter;
    States[stSplash].Leave = SplashLeave;
    States[stSplash].Update = SplashUpdate;
    States[stSplash].Step = SplashStep;
    States[stSplash].Draw = SplashDraw;
}
