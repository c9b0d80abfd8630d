// The gamepad in the browser: the page's Gamepad API, which Emscripten's GLFW
// gives as joysticks (sampled afresh at each call) in the browser's standard
// layout. Its GLFW has no gamepad functions of its own; the standard layout's
// buttons are mapped to GLFW's gamepad layout here.
#include <GLFW/glfw3.h>

#include "Glfw2.h"

struct TStandardButton {
    int32_t Standard;  // the button's index in the browser's standard layout
    int32_t Pad;       // its index in GLFW's gamepad layout (Glfw2.h)
};

constexpr TStandardButton StandardButtons[] = {
    {0, GLFW2_PAD_A},          {1, GLFW2_PAD_B},           {8, GLFW2_PAD_BACK},
    {9, GLFW2_PAD_START},      {12, GLFW2_PAD_DPAD_UP},    {13, GLFW2_PAD_DPAD_DOWN},
    {14, GLFW2_PAD_DPAD_LEFT}, {15, GLFW2_PAD_DPAD_RIGHT},
};
constexpr int32_t StandardStickX = 0, StandardStickY = 1;

void glfw2GetGamepad(TGlfw2Gamepad* Pad) {
    *Pad = TGlfw2Gamepad{0, 0, 0, 0};
    if (!glfw2WindowOpen()) return;
    for (int Joystick = GLFW_JOYSTICK_1; Joystick <= GLFW_JOYSTICK_LAST; ++Joystick) {
        if (!glfwJoystickPresent(Joystick)) continue;
        int ButtonCount = 0, AxisCount = 0;
        const unsigned char* Buttons = glfwGetJoystickButtons(Joystick, &ButtonCount);
        const float* Axes = glfwGetJoystickAxes(Joystick, &AxisCount);
        Pad->Connected = 1;
        for (const TStandardButton& Button : StandardButtons)
            if (Buttons && Button.Standard < ButtonCount && Buttons[Button.Standard])
                Pad->Buttons |= 1 << Button.Pad;
        if (Axes && AxisCount > StandardStickY) {
            Pad->StickX = glfw2StickHundredths(Axes[StandardStickX]);
            Pad->StickY = glfw2StickHundredths(Axes[StandardStickY]);
        }
        return;
    }
}
