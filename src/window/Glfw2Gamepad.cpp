// The gamepad on the desktop: GLFW 3.3's own, in the layout of its mapping
// database, which it ships and which knows the common pads.
#include <GLFW/glfw3.h>

#include "Glfw2.h"

static_assert(GLFW2_PAD_A == GLFW_GAMEPAD_BUTTON_A && GLFW2_PAD_B == GLFW_GAMEPAD_BUTTON_B &&
                  GLFW2_PAD_BACK == GLFW_GAMEPAD_BUTTON_BACK &&
                  GLFW2_PAD_START == GLFW_GAMEPAD_BUTTON_START &&
                  GLFW2_PAD_DPAD_UP == GLFW_GAMEPAD_BUTTON_DPAD_UP &&
                  GLFW2_PAD_DPAD_RIGHT == GLFW_GAMEPAD_BUTTON_DPAD_RIGHT &&
                  GLFW2_PAD_DPAD_DOWN == GLFW_GAMEPAD_BUTTON_DPAD_DOWN &&
                  GLFW2_PAD_DPAD_LEFT == GLFW_GAMEPAD_BUTTON_DPAD_LEFT &&
                  GLFW2_PAD_BUTTONS == GLFW_GAMEPAD_BUTTON_LAST + 1,
              "GLFW's gamepad layout");

void glfw2GetGamepad(TGlfw2Gamepad* Pad) {
    *Pad = TGlfw2Gamepad{0, 0, 0, 0};
    if (!glfw2WindowOpen()) return;
    // The first joystick GLFW has a mapping for; asked afresh each time, so
    // that pads come and go while the program runs.
    for (int Joystick = GLFW_JOYSTICK_1; Joystick <= GLFW_JOYSTICK_LAST; ++Joystick) {
        GLFWgamepadstate State;
        if (!glfwJoystickIsGamepad(Joystick) || !glfwGetGamepadState(Joystick, &State)) continue;
        Pad->Connected = 1;
        for (int32_t Button = 0; Button < GLFW2_PAD_BUTTONS; ++Button)
            if (State.buttons[Button] == GLFW_PRESS) Pad->Buttons |= 1 << Button;
        Pad->StickX = glfw2StickHundredths(State.axes[GLFW_GAMEPAD_AXIS_LEFT_X]);
        Pad->StickY = glfw2StickHundredths(State.axes[GLFW_GAMEPAD_AXIS_LEFT_Y]);
        return;
    }
}
