"""A real gamepad, made through the kernel's uinput as an X-Box 360 pad (a
device the windowing library's mappings know): plugged in while Pex runs, its B
leads from the splash to the menu, its d-pad down selects the editor and its A
opens it; pulled out again, Pex goes on. Where no such device can be made (no
/dev/uinput, or no event node for it), the test skips and says why.
"""

import fcntl
import glob
import os
import struct
import time
import unittest

from pexe2e import PexTestCase, editor_at_rest, menu_at_rest
from test_screens import current_row

UI_SET_EVBIT, UI_SET_KEYBIT, UI_SET_ABSBIT = 0x40045564, 0x40045565, 0x40045567
UI_DEV_CREATE, UI_DEV_DESTROY = 0x5501, 0x5502
EV_SYN, EV_KEY, EV_ABS = 0, 1, 3
# In the order of their codes, which is the order of the pad's buttons b0 .. b10.
BTN_A, BTN_B, BTN_X, BTN_Y, BTN_TL, BTN_TR = 0x130, 0x131, 0x133, 0x134, 0x136, 0x137
BTN_SELECT, BTN_START, BTN_MODE, BTN_THUMBL, BTN_THUMBR = 0x13A, 0x13B, 0x13C, 0x13D, 0x13E
STICKS = (0, 1, 3, 4)  # X, Y, RX, RY: -32768 .. 32767
TRIGGERS = (2, 5)  # Z, RZ: 0 .. 255
ABS_HAT0Y = 0x11  # -1 .. 1, down positive


class Pad:
    """A virtual pad; raises unittest.SkipTest where the system cannot make one."""

    def __init__(self):
        if not os.path.exists("/dev/uinput"):
            raise unittest.SkipTest("no /dev/uinput: a real gamepad cannot be made here")
        before = set(glob.glob("/dev/input/event*"))
        try:
            self.fd = os.open("/dev/uinput", os.O_WRONLY | os.O_NONBLOCK)
        except OSError as error:
            raise unittest.SkipTest("/dev/uinput cannot be opened: %s" % error)
        fcntl.ioctl(self.fd, UI_SET_EVBIT, EV_KEY)
        for key in (BTN_A, BTN_B, BTN_X, BTN_Y, BTN_TL, BTN_TR, BTN_SELECT, BTN_START,
                    BTN_MODE, BTN_THUMBL, BTN_THUMBR):
            fcntl.ioctl(self.fd, UI_SET_KEYBIT, key)
        fcntl.ioctl(self.fd, UI_SET_EVBIT, EV_ABS)
        low, high = [0] * 64, [0] * 64
        for axis in STICKS:
            fcntl.ioctl(self.fd, UI_SET_ABSBIT, axis)
            low[axis], high[axis] = -32768, 32767
        for axis in TRIGGERS:
            fcntl.ioctl(self.fd, UI_SET_ABSBIT, axis)
            high[axis] = 255
        for axis in (0x10, ABS_HAT0Y):
            fcntl.ioctl(self.fd, UI_SET_ABSBIT, axis)
            low[axis], high[axis] = -1, 1
        # struct uinput_user_dev: the name, the USB ids, then the axes' ranges.
        device = struct.pack("80sHHHHi64i64i64i64i", b"Microsoft X-Box 360 pad", 0x03, 0x045E,
                             0x028E, 0x0104, 0, *high, *low, *([0] * 128))
        os.write(self.fd, device)
        fcntl.ioctl(self.fd, UI_DEV_CREATE)
        deadline = time.time() + 10
        while time.time() < deadline and not set(glob.glob("/dev/input/event*")) - before:
            time.sleep(0.1)
        made = set(glob.glob("/dev/input/event*")) - before
        if not made:
            self.close()
            raise unittest.SkipTest("the kernel made the pad but no /dev/input event node "
                                    "appeared for it (no devtmpfs or udev here)")
        if not os.access(made.pop(), os.R_OK):
            self.close()
            raise unittest.SkipTest("the pad's event node cannot be read by this user")

    def send(self, kind, code, value):
        os.write(self.fd, struct.pack("llHHi", 0, 0, kind, code, value))
        os.write(self.fd, struct.pack("llHHi", 0, 0, EV_SYN, 0, 0))

    def press(self, button):
        self.send(EV_KEY, button, 1)

    def release(self, button):
        self.send(EV_KEY, button, 0)

    def close(self):
        if self.fd is not None:
            fcntl.ioctl(self.fd, UI_DEV_DESTROY)
            os.close(self.fd)
            self.fd = None


class GamepadDeviceTest(PexTestCase):
    def test_a_pad_plugged_in_while_running_drives_the_menu_and_may_go_again(self):
        pex = self.pex()
        pex.start()
        pex.wait_window()
        pad = Pad()
        self.addCleanup(pad.close)

        def push(button, predicate, what):
            pad.press(button)
            try:
                return pex.wait_for(predicate, what=what)
            finally:
                pad.release(button)

        push(BTN_B, menu_at_rest, "the menu, from B")
        pad.send(EV_ABS, ABS_HAT0Y, 1)
        try:
            pex.wait_for(current_row(1), what="the editor item, from the d-pad")
        finally:
            pad.send(EV_ABS, ABS_HAT0Y, 0)
        push(BTN_A, editor_at_rest, "the editor, from A")
        pad.close()
        self.assertEqual(pex.press_key_to_exit("F10"), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
