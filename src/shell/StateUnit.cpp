#include "StateUnit.h"

#include "PexDemo.h"

TStateProcs States[StateCount];
uint8_t CurrentState = stNone;

void SwitchState(uint8_t NewState) {
    ClearKeys();
    StartFade(clBlack, 10);
    // Whole frames run until the screen is black; the old state keeps updating
    // and drawing under the overlay. The wait also ends on Quit, since a window
    // closed meanwhile draws no more frames and the fade would never complete.
    // At shutdown (stExit) the window is gone and there is nothing to wait for.
    if (NewState != stExit)
        while (!Fade.Complete && !Quit) ProcessFrame();
    if (States[CurrentState].Leave) States[CurrentState].Leave();
    CurrentState = NewState;
    if (States[CurrentState].Enter) States[CurrentState].Enter();
    StartFade(clBlack, -10);
}

void DigestState() {
    DigestValue(CurrentState);
}
